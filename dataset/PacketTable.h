#pragma once
// A parsed data packet: field definitions and the stored rows in one compact
// arena. Immutable once built, so datasets and the packet cache share it.

#include "ClientDataSet.h"
#include "LargeBuffer.h"
#include "support/VxExceptions.h"

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
    const std::string& File() const { return m_file; }
    unsigned long Line() const { return m_line; }
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_file;
    unsigned long m_line;
    std::string m_reason;
};

class Table {
public:
    Table() = default;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const std::vector<FieldDef>& Fields() const { return m_fields; }
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    // Case-insensitive (ASCII); -1 when absent.
    int FindField(std::string_view Name) const;

    // Every stored ROW, superseded and deleted images included.
    uint32_t StoredRowCount() const { return m_rowCount; }
    // The current rows in stored order: those whose RowState has neither bit 1
    // (an original replaced by the modified image that follows it) nor bit 2
    // (deleted). A modified image thus takes its original's place, and inserted
    // rows stay where the file has them.
    uint32_t LiveRowCount() const {
        return m_liveIdentity ? m_rowCount : static_cast<uint32_t>(m_live.size());
    }
    uint32_t LiveRow(uint32_t Position) const { return m_liveIdentity ? Position : m_live[Position]; }

    bool IsNull(uint32_t Row, int Field) const { return (Cells(Row)[Field] & kNullBit) != 0; }
    std::string_view Value(uint32_t Row, int Field) const {
        const uint32_t* c = Cells(Row);
        const uint32_t begin = Field == 0 ? 0 : (c[Field - 1] & ~kNullBit);
        return {m_arena.Data() + RowStarts()[Row] + begin, (c[Field] & ~kNullBit) - begin};
    }

private:
    friend class PacketBuilder;
    static constexpr uint32_t kNullBit = 0x80000000u;
    const uint32_t* Cells(uint32_t Row) const {
        return reinterpret_cast<const uint32_t*>(m_cells.Data()) + static_cast<size_t>(Row) * m_fields.size();
    }

    std::vector<FieldDef> m_fields;
    // Row r's values lie in field order from m_arena + m_rowStart[r]; cell
    // (r, f) holds the end of value f relative to that start, bit 31 = null.
    detail::LargeBuffer m_arena;
    detail::LargeBuffer m_cells;
    detail::LargeBuffer m_rowStart; // uint64_t per row
    const uint64_t* RowStarts() const { return reinterpret_cast<const uint64_t*>(m_rowStart.Data()); }
    uint32_t m_rowCount = 0;
    std::vector<uint8_t> m_states;
    bool m_liveIdentity = true;
    std::vector<uint32_t> m_live;
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

const char* FieldTypeName(FieldType Type);

} // namespace dataset
