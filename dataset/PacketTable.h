#pragma once
// A parsed data packet: field definitions and the stored rows in one compact
// arena. Immutable once built, so datasets and the packet cache share it.

#include "dataset/ClientDataSet.h"
#include "dataset/LargeBuffer.h"
#include "support/VxExceptions.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dataset {

// A packet that is not a well-formed data packet. The message names the file,
// the line and the reason; the parts stay available for tools.
class PacketError : public EVxError {
public:
    PacketError(std::string File, unsigned long Line, std::string Reason);
    const std::string& File() const { return FFile; }
    unsigned long Line() const { return FLine; }
    const std::string& Reason() const { return FReason; }

private:
    std::string FFile;
    unsigned long FLine;
    std::string FReason;
};

class Table {
public:
    Table() = default;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::vector<FieldDef>& Fields() const { return FFields; }
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    // Case-insensitive (ASCII); -1 when absent.
    int FindField(std::string_view Name) const;

    // Every stored ROW, superseded and deleted images included.
    uint32_t StoredRowCount() const { return FRowCount; }
    // The current rows in stored order: those whose RowState has neither bit 1
    // (an original replaced by the modified image that follows it) nor bit 2
    // (deleted). A modified image thus takes its original's place, and inserted
    // rows stay where the file has them.
    uint32_t LiveRowCount() const { return FLiveIdentity ? FRowCount : static_cast<uint32_t>(FLive.size()); }
    uint32_t LiveRow(uint32_t Position) const { return FLiveIdentity ? Position : FLive[Position]; }

    bool IsNull(uint32_t Row, int Field) const {
        bool Null = false;
        Value(Row, Field, Null);
        return Null;
    }
    std::string_view Value(uint32_t Row, int Field) const {
        bool Null = false;
        return Value(Row, Field, Null);
    }
    // Where one row's cells and values lie: found once, then read field by field.
    struct RowRef {
        const unsigned char* Cells = nullptr;
        const char* Start = nullptr;
    };
    RowRef Row(uint32_t Row) const {
        // A row start is an offset while the table is built and an address once it is sealed.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        return {Cells(Row), reinterpret_cast<const char*>(RowStarts()[Row])};
    }
    // The value and whether it is null, in one lookup.
    std::string_view Value(uint32_t Row, int Field, bool& Null) const {
        return Value(this->Row(Row), Field, Null);
    }
    std::string_view Value(const RowRef& In, int Field, bool& Null) const {
        uint32_t begin = 0, end = 0;
        if (FWideCells) [[unlikely]] {
            const auto* w = reinterpret_cast<const uint32_t*>(In.Cells);
            begin = Field == 0 ? 0 : (w[Field - 1] & ~kNullBit);
            end = w[Field] & ~kNullBit;
            Null = (w[Field] & kNullBit) != 0;
        } else {
            const auto* n = reinterpret_cast<const uint16_t*>(In.Cells);
            begin = Field == 0 ? 0u : (n[Field - 1] & kNarrowLimit);
            end = n[Field] & kNarrowLimit;
            Null = (n[Field] & kNarrowNullBit) != 0;
        }
        return {In.Start + begin, end - begin};
    }

private:
    friend class PacketBuilder;
    static constexpr uint32_t kNullBit = 0x80000000u;
    // Most rows hold less than 32 KB of values: their cells take two bytes,
    // bit 15 = null. A table with a longer row has cells of four bytes.
    static constexpr uint32_t kNarrowNullBit = 0x8000u;
    static constexpr uint32_t kNarrowLimit = 0x7FFFu;
    size_t CellBytes() const { return FWideCells ? sizeof(uint32_t) : sizeof(uint16_t); }
    const unsigned char* Cells(uint32_t Row) const {
        const size_t rowBytes = FFields.size() * CellBytes();
        if (FPieceStarts.empty()) [[likely]]
            return reinterpret_cast<const unsigned char*>(FCells.Data()) +
                   static_cast<size_t>(Row) * rowBytes;
        // The last piece that starts at Row or before.
        const auto in = std::upper_bound(FPieceStarts.begin(), FPieceStarts.end(), Row,
                                         [](uint32_t R, const PieceStart& P) { return R < P.FirstRow; }) -
                        1;
        return in->Cells + static_cast<size_t>(Row - in->FirstRow) * rowBytes;
    }

    std::vector<FieldDef> FFields;
    // Row r's values lie in field order from the address FRowStart[r], in
    // FArena or, for a packet parsed in parts, in the arena of its part;
    // cell (r, f) holds the end of value f relative to that start, its top
    // bit = null. While the table is built FRowStart holds offsets into FArena.
    detail::LargeBuffer FArena;
    std::vector<std::unique_ptr<detail::LargeBuffer>> FPartArenas;
    detail::LargeBuffer FCells;
    bool FWideCells = false;
    // The cells of the rows from FirstRow on, for each piece of a packet
    // parsed in pieces after the first, in row order.
    struct Piece {
        uint32_t FirstRow = 0;
        detail::LargeBuffer Cells;
    };
    std::vector<std::unique_ptr<Piece>> FPieceCells;
    // Where each piece's cells begin, the first piece's (FCells) included;
    // empty for a packet parsed whole.
    struct PieceStart {
        uint32_t FirstRow;
        const unsigned char* Cells;
    };
    std::vector<PieceStart> FPieceStarts;
    detail::LargeBuffer FRowStart; // uintptr_t per row
    const uintptr_t* RowStarts() const { return reinterpret_cast<const uintptr_t*>(FRowStart.Data()); }
    uint32_t FRowCount = 0;
    std::vector<uint8_t> FStates;
    bool FLiveIdentity = true;
    std::vector<uint32_t> FLive;
};

// The largest packet read, far beyond a school's year of data: a bigger one
// is "too large" before anything is allocated for it.
inline constexpr uint64_t kMaxPacketBytes = uint64_t(4) << 30;

// Parses a whole packet held in memory; Name is the file named in errors.
// The parser takes ChunkSize bytes at a time (any size gives the same table).
std::shared_ptr<const Table> ParsePacket(std::string_view Bytes, const std::string& Name,
                                         size_t ChunkSize = size_t(1) << 20);
// Reads and parses a packet file. EVxError "Cannot open file <path>" when the
// file cannot be opened or read or is not a regular file, PacketError when it
// is not a data packet or is larger than kMaxPacketBytes.
std::shared_ptr<const Table> ParsePacketFile(const std::string& Path);
// Parses a packet file in Parts pieces, cut between the ROW elements of its
// ROWDATA, on up to Threads threads at once (this one among them): the same
// table as ParsePacketFile.
// Nothing when the packet cannot be cut so (too small, UTF-16, markup before
// its rows that the cut cannot vouch for) or a piece fails to parse; then
// ParsePacketFile, which tells the packet's error, is the way.
std::shared_ptr<const Table> ParsePacketFileInParts(const std::string& Path, size_t Parts, size_t Threads);

const char* FieldTypeName(FieldType Type);

} // namespace dataset
