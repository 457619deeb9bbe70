#include "ZipDirectory.h"

#include <algorithm>
#include <cstring>

namespace zipdir {

namespace {

constexpr uint8_t EndSignature[4] = {0x50, 0x4B, 0x05, 0x06};
constexpr uint8_t CentralSignature[4] = {0x50, 0x4B, 0x01, 0x02};

// Reads exactly Len bytes at Offset into Out; false when the source is shorter.
bool ReadString(ByteSource& Source, uint64_t Offset, size_t Len, std::string& Out) {
    Out.clear();
    if (Len == 0) return true;
    if (Offset > Source.Size() || Source.Size() - Offset < Len) return false;
    Out.resize(Len);
    if (Source.ReadAt(Offset, Out.data(), Len) != Len) {
        Out.clear();
        return false;
    }
    return true;
}

} // namespace

uint16_t Get16(const uint8_t* P) {
    return static_cast<uint16_t>(P[0] | (P[1] << 8));
}

uint32_t Get32(const uint8_t* P) {
    return static_cast<uint32_t>(P[0]) | (static_cast<uint32_t>(P[1]) << 8) |
           (static_cast<uint32_t>(P[2]) << 16) | (static_cast<uint32_t>(P[3]) << 24);
}

size_t MemorySource::ReadAt(uint64_t Offset, void* Buffer, size_t Len) {
    if (Offset >= m_bytes.size()) return 0;
    const size_t N = std::min<uint64_t>(Len, m_bytes.size() - Offset);
    std::memcpy(Buffer, m_bytes.data() + Offset, N);
    return N;
}

FileSource::FileSource(const std::string& Path) : m_in(Path, std::ios::binary) {
    if (!m_in) return;
    m_in.seekg(0, std::ios::end);
    const auto End = m_in.tellg();
    if (End < 0) return;
    m_size = static_cast<uint64_t>(End);
    m_open = true;
}

size_t FileSource::ReadAt(uint64_t Offset, void* Buffer, size_t Len) {
    if (!m_open || Offset >= m_size) return 0;
    m_in.clear();
    m_in.seekg(static_cast<std::streamoff>(Offset));
    m_in.read(static_cast<char*>(Buffer), static_cast<std::streamsize>(Len));
    return static_cast<size_t>(m_in.gcount());
}

bool HostUsesOemNames(uint16_t VersionMadeBy) {
    const unsigned Host = VersionMadeBy >> 8;
    const unsigned Version = VersionMadeBy & 0xFF;
    return Host == 0 || Host == 6 || (Host == 11 && Version == 50);
}

EndStatus ReadEndRecord(ByteSource& Source, Directory& Dir) {
    const uint64_t Size = Source.Size();
    if (Size < EndRecordSize) return EndStatus::NotFound;

    int64_t Found = -1;
    uint8_t Tail[EndRecordSize];
    if (Source.ReadAt(Size - EndRecordSize, Tail, EndRecordSize) == EndRecordSize &&
        std::memcmp(Tail, EndSignature, 4) == 0) {
        Found = static_cast<int64_t>(Size - EndRecordSize);
    } else {
        const size_t Span = static_cast<size_t>(std::min<uint64_t>(Size, EndSearchSpan));
        const uint64_t Start = Size - Span;
        std::string Buf;
        if (!ReadString(Source, Start, Span, Buf)) return EndStatus::NotFound;
        // Backwards from the last place a whole record fits; the first hit wins.
        for (size_t I = Span - EndRecordSize + 1; I-- > 0;) {
            if (std::memcmp(Buf.data() + I, EndSignature, 4) == 0) {
                Found = static_cast<int64_t>(Start + I);
                break;
            }
        }
    }
    if (Found < 0) return EndStatus::NotFound;

    Dir.EndPosition = Found;
    if (Source.ReadAt(static_cast<uint64_t>(Found), Dir.End.Bytes.data(), EndRecordSize) != EndRecordSize) {
        return EndStatus::NotFound;
    }
    if (Dir.End.ThisDisk() > MaxDiskNumber || Dir.End.CentralDirDisk() > MaxDiskNumber) {
        return EndStatus::BadDiskNumbers;
    }
    if (!ReadString(Source, static_cast<uint64_t>(Found) + EndRecordSize, Dir.End.CommentLength(),
                    Dir.Comment)) {
        Dir.Comment.clear();
    }
    return EndStatus::Found;
}

bool ReadCentralDirectory(ByteSource& Source, Directory& Dir) {
    Dir.Entries.clear();
    const EndRecord& E = Dir.End;
    uint64_t Pos;
    if (E.ThisDisk() > 0) {
        Pos = E.CentralDirOffset();
    } else {
        if (Dir.EndPosition < 0 || E.CentralDirSize() > static_cast<uint64_t>(Dir.EndPosition)) return false;
        Pos = static_cast<uint64_t>(Dir.EndPosition) - E.CentralDirSize();
    }
    const uint16_t Count = E.TotalEntries();
    // Each entry takes at least a header: a count the source cannot hold is
    // refused before anything is allocated for it.
    if (Pos > Source.Size() || (Source.Size() - Pos) / CentralHeaderSize < Count) return false;
    Dir.Entries.reserve(Count);
    for (uint16_t I = 0; I < Count; ++I) {
        CentralEntry Entry;
        if (Source.ReadAt(Pos, Entry.Header.data(), CentralHeaderSize) != CentralHeaderSize ||
            std::memcmp(Entry.Header.data(), CentralSignature, 4) != 0) {
            Dir.Entries.clear();
            return false;
        }
        Pos += CentralHeaderSize;
        const uint16_t NameLen = Get16(&Entry.Header[28]);
        const uint16_t ExtraLen = Get16(&Entry.Header[30]);
        const uint16_t CommentLen = Get16(&Entry.Header[32]);
        if (!ReadString(Source, Pos, NameLen, Entry.FileName) ||
            !ReadString(Source, Pos + NameLen, ExtraLen, Entry.ExtraField) ||
            !ReadString(Source, Pos + NameLen + ExtraLen, CommentLen, Entry.FileComment)) {
            Dir.Entries.clear();
            return false;
        }
        Pos += static_cast<uint64_t>(NameLen) + ExtraLen + CommentLen;
        if (I == 0) Dir.OemNames = HostUsesOemNames(Entry.VersionMadeBy());
        Dir.Entries.push_back(std::move(Entry));
    }
    return true;
}

} // namespace zipdir
