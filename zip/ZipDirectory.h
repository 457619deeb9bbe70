#pragma once
// The end record search and central directory reader of a zip archive, as a
// pure function over a byte source: every length, count and offset read from
// the archive is checked against the source before it is used.

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace zipdir {

constexpr size_t EndRecordSize = 22;
constexpr size_t CentralHeaderSize = 46;
// The end record and its comment of at most 65535 bytes close the file.
constexpr size_t MaxCommentSize = 65535;
constexpr size_t EndSearchSpan = MaxCommentSize + EndRecordSize;
// The Zip64 end record (without extensible data) and its locator, which
// stands right before the end record.
constexpr size_t Zip64EndSize = 56;
constexpr size_t Zip64LocatorSize = 20;
// Disk numbers above this mark a file that is not an archive.
constexpr uint16_t MaxDiskNumber = 1000;

// Random access to the archive's bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to Len bytes at Offset; returns how many were read.
    virtual size_t ReadAt(uint64_t Offset, void* Buffer, size_t Len) = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view Bytes) : FBytes(Bytes) {}
    uint64_t Size() const override { return FBytes.size(); }
    size_t ReadAt(uint64_t Offset, void* Buffer, size_t Len) override;

private:
    std::string_view FBytes;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& Path);
    bool IsOpen() const { return FOpen; }
    uint64_t Size() const override { return FSize; }
    size_t ReadAt(uint64_t Offset, void* Buffer, size_t Len) override;

private:
    std::ifstream FIn;
    uint64_t FSize = 0;
    bool FOpen = false;
};

uint16_t Get16(const uint8_t* P);
uint32_t Get32(const uint8_t* P);

// The end-of-central-directory record, as stored.
struct EndRecord {
    std::array<uint8_t, EndRecordSize> Bytes{0x50, 0x4B, 0x05, 0x06};
    uint16_t ThisDisk() const { return Get16(&Bytes[4]); }
    uint16_t CentralDirDisk() const { return Get16(&Bytes[6]); }
    uint16_t EntriesOnDisk() const { return Get16(&Bytes[8]); }
    uint16_t TotalEntries() const { return Get16(&Bytes[10]); }
    uint32_t CentralDirSize() const { return Get32(&Bytes[12]); }
    uint32_t CentralDirOffset() const { return Get32(&Bytes[16]); }
    uint16_t CommentLength() const { return Get16(&Bytes[20]); }
};

// One central directory file header with its variable parts, raw.
struct CentralEntry {
    std::array<uint8_t, CentralHeaderSize> Header{};
    std::string FileName;
    std::string ExtraField;
    std::string FileComment;
    bool Encrypted() const { return (Header[8] & 1) != 0; }
    uint16_t VersionMadeBy() const { return Get16(&Header[4]); }
};

enum class EndStatus {
    Found,
    NotFound,       // no end record closes the file with its comment
    BadDiskNumbers, // a disk number above 1000
    BadZip64,       // a Zip64 locator without a Zip64 end record that agrees
};

struct Directory {
    EndRecord End;
    int64_t EndPosition = -1;
    std::string Comment; // raw
    std::vector<CentralEntry> Entries;
    bool OemNames = false; // as the first entry's host system says
    // The directory's extent and counts: the end record's, or the Zip64 end
    // record's where the archive has one.
    bool Zip64 = false;
    uint64_t EntriesOnDisk = 0;
    uint64_t TotalEntries = 0;
    uint64_t CentralDirSize = 0;
    uint64_t CentralDirOffset = 0;
    // Where the central directory ends on a single-disk archive: at the Zip64
    // end record, or else at the end record.
    uint64_t CentralDirEnd = 0;
};

// Finds the end record, reads it and the archive comment into Dir, and the
// Zip64 end record when a locator precedes the end record. The record found
// is the first one in the file's last 65557 bytes that ends, with its
// comment, exactly at the end of the file: a signature inside a comment never
// wins over the record that owns the comment.
EndStatus ReadEndRecord(ByteSource& Source, Directory& Dir);

// Reads the central directory the end record describes: on a single-disk
// archive it ends where the (Zip64) end record starts (data in front of the
// archive does not matter) and must hold exactly the entries counted, no more
// and no fewer; on a multi-disk one it starts at the stored offset. False on
// a short read, a wrong signature or a count that disagrees with the
// directory's size; Dir.Entries is then empty.
bool ReadCentralDirectory(ByteSource& Source, Directory& Dir);

// Whether the host system of an entry's version-made-by stores OEM names.
bool HostUsesOemNames(uint16_t VersionMadeBy);

} // namespace zipdir
