#include "zip/ZipDirectory.h"

#include "platform/Platform.h"

#include <algorithm>
#include <cstring>

namespace zipdir {

namespace {

constexpr uint8_t EndSignature[4] = {0x50, 0x4B, 0x05, 0x06};
constexpr uint8_t CentralSignature[4] = {0x50, 0x4B, 0x01, 0x02};
constexpr uint8_t Zip64EndSignature[4] = {0x50, 0x4B, 0x06, 0x06};
constexpr uint8_t Zip64LocatorSignature[4] = {0x50, 0x4B, 0x06, 0x07};
constexpr uint16_t Escape16 = 0xFFFF;
constexpr uint32_t Escape32 = 0xFFFFFFFF;

uint64_t Get64(const uint8_t* P) {
    return static_cast<uint64_t>(Get32(P)) | (static_cast<uint64_t>(Get32(P + 4)) << 32);
}

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

// A field of the end record agrees with its Zip64 value when it holds it or
// the escape value that sends the reader to the Zip64 record.
bool Agrees(uint64_t Field, uint64_t Escape, uint64_t Value) {
    return Field == Escape || Field == Value;
}

// Reads the Zip64 end record that the locator at LocatorPos names into Dir.
// Only single-disk archives are read: the record stands right before the
// locator (or at the stored offset when nothing is in front of the archive),
// and every end record field agrees with it.
bool ReadZip64End(ByteSource& Source, Directory& Dir, const uint8_t* Locator, uint64_t LocatorPos) {
    const EndRecord& E = Dir.End;
    if (Get32(Locator + 4) != 0 || Get32(Locator + 16) > 1 || E.ThisDisk() != 0 || E.CentralDirDisk() != 0)
        return false;
    uint8_t Rec[Zip64EndSize];
    auto RecordAt = [&](uint64_t Pos) {
        if (Pos > LocatorPos || LocatorPos - Pos < Zip64EndSize) return false;
        if (Source.ReadAt(Pos, Rec, Zip64EndSize) != Zip64EndSize ||
            std::memcmp(Rec, Zip64EndSignature, 4) != 0)
            return false;
        // The record's size counts what follows its first 12 bytes.
        const uint64_t Length = Get64(Rec + 4);
        return Length >= Zip64EndSize - 12 && Length - (Zip64EndSize - 12) == LocatorPos - Pos - Zip64EndSize;
    };
    uint64_t Pos = LocatorPos - std::min<uint64_t>(LocatorPos, Zip64EndSize);
    if (!RecordAt(Pos)) {
        Pos = Get64(Locator + 8);
        if (!RecordAt(Pos)) return false;
    }
    const uint32_t ThisDisk = Get32(Rec + 16);
    const uint32_t CentralDisk = Get32(Rec + 20);
    const uint64_t OnDisk = Get64(Rec + 24);
    const uint64_t Total = Get64(Rec + 32);
    const uint64_t Size = Get64(Rec + 40);
    const uint64_t Offset = Get64(Rec + 48);
    if (ThisDisk != 0 || CentralDisk != 0 || !Agrees(E.EntriesOnDisk(), Escape16, OnDisk) ||
        !Agrees(E.TotalEntries(), Escape16, Total) || !Agrees(E.CentralDirSize(), Escape32, Size) ||
        !Agrees(E.CentralDirOffset(), Escape32, Offset)) {
        return false;
    }
    Dir.Zip64 = true;
    Dir.EntriesOnDisk = OnDisk;
    Dir.TotalEntries = Total;
    Dir.CentralDirSize = Size;
    Dir.CentralDirOffset = Offset;
    Dir.CentralDirEnd = Pos;
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
    if (Offset >= FBytes.size()) return 0;
    const size_t N = std::min<uint64_t>(Len, FBytes.size() - Offset);
    std::memcpy(Buffer, FBytes.data() + Offset, N);
    return N;
}

FileSource::FileSource(const std::string& Path) : FIn(platform::FsPath(Path), std::ios::binary) {
    if (!FIn) return;
    FIn.seekg(0, std::ios::end);
    const auto End = FIn.tellg();
    if (End < 0) return;
    FSize = static_cast<uint64_t>(End);
    FOpen = true;
}

size_t FileSource::ReadAt(uint64_t Offset, void* Buffer, size_t Len) {
    if (!FOpen || Offset >= FSize) return 0;
    FIn.clear();
    FIn.seekg(static_cast<std::streamoff>(Offset));
    FIn.read(static_cast<char*>(Buffer), static_cast<std::streamsize>(Len));
    return static_cast<size_t>(FIn.gcount());
}

bool HostUsesOemNames(uint16_t VersionMadeBy) {
    const unsigned Host = VersionMadeBy >> 8;
    const unsigned Version = VersionMadeBy & 0xFF;
    return Host == 0 || Host == 6 || (Host == 11 && Version == 50);
}

EndStatus ReadEndRecord(ByteSource& Source, Directory& Dir) {
    const uint64_t Size = Source.Size();
    if (Size < EndRecordSize) return EndStatus::NotFound;

    const size_t Span = static_cast<size_t>(std::min<uint64_t>(Size, EndSearchSpan));
    const uint64_t Start = Size - Span;
    std::string Buf;
    if (!ReadString(Source, Start, Span, Buf)) return EndStatus::NotFound;
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Buf.data());
    int64_t Found = -1;
    // Forwards: a record that ends exactly at the end of the file owns every
    // later byte as its comment, so nothing after it can be the record.
    for (size_t I = 0; I + EndRecordSize <= Span; ++I) {
        if (std::memcmp(Bytes + I, EndSignature, 4) == 0 &&
            I + EndRecordSize + Get16(Bytes + I + 20) == Span) {
            Found = static_cast<int64_t>(Start + I);
            break;
        }
    }
    if (Found < 0) return EndStatus::NotFound;

    const size_t At = static_cast<size_t>(static_cast<uint64_t>(Found) - Start);
    Dir.EndPosition = Found;
    std::memcpy(Dir.End.Bytes.data(), Bytes + At, EndRecordSize);
    if (Dir.End.ThisDisk() > MaxDiskNumber || Dir.End.CentralDirDisk() > MaxDiskNumber) {
        return EndStatus::BadDiskNumbers;
    }
    Dir.Comment.assign(Buf, At + EndRecordSize, std::string::npos);

    const EndRecord& E = Dir.End;
    Dir.Zip64 = false;
    Dir.EntriesOnDisk = E.EntriesOnDisk();
    Dir.TotalEntries = E.TotalEntries();
    Dir.CentralDirSize = E.CentralDirSize();
    Dir.CentralDirOffset = E.CentralDirOffset();
    Dir.CentralDirEnd = static_cast<uint64_t>(Found);
    if (static_cast<uint64_t>(Found) < Zip64LocatorSize) return EndStatus::Found;
    uint8_t Locator[Zip64LocatorSize];
    const uint64_t LocatorPos = static_cast<uint64_t>(Found) - Zip64LocatorSize;
    if (Source.ReadAt(LocatorPos, Locator, Zip64LocatorSize) != Zip64LocatorSize ||
        std::memcmp(Locator, Zip64LocatorSignature, 4) != 0) {
        return EndStatus::Found;
    }
    return ReadZip64End(Source, Dir, Locator, LocatorPos) ? EndStatus::Found : EndStatus::BadZip64;
}

bool ReadCentralDirectory(ByteSource& Source, Directory& Dir) {
    Dir.Entries.clear();
    const bool SingleDisk = Dir.End.ThisDisk() == 0;
    uint64_t Pos;
    uint64_t Limit; // the directory's entries end here
    if (!SingleDisk) {
        Pos = Dir.CentralDirOffset;
        Limit = Source.Size();
    } else {
        if (Dir.EntriesOnDisk != Dir.TotalEntries) return false;
        if (Dir.CentralDirSize > Dir.CentralDirEnd || Dir.CentralDirEnd > Source.Size()) return false;
        Pos = Dir.CentralDirEnd - Dir.CentralDirSize;
        Limit = Dir.CentralDirEnd;
    }
    const uint64_t Count = Dir.TotalEntries;
    // Each entry takes at least a header: a count the directory cannot hold is
    // refused before anything is allocated for it.
    if (Pos > Limit || (Limit - Pos) / CentralHeaderSize < Count) return false;
    Dir.Entries.reserve(static_cast<size_t>(Count));
    for (uint64_t I = 0; I < Count; ++I) {
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
        const uint64_t Next = Pos + NameLen + ExtraLen + CommentLen;
        if (Next > Limit || !ReadString(Source, Pos, NameLen, Entry.FileName) ||
            !ReadString(Source, Pos + NameLen, ExtraLen, Entry.ExtraField) ||
            !ReadString(Source, Pos + NameLen + ExtraLen, CommentLen, Entry.FileComment)) {
            Dir.Entries.clear();
            return false;
        }
        Pos = Next;
        if (I == 0) Dir.OemNames = HostUsesOemNames(Entry.VersionMadeBy());
        Dir.Entries.push_back(std::move(Entry));
    }
    // Entries the count leaves out would be lost without a word.
    if (SingleDisk && Pos != Limit) {
        Dir.Entries.clear();
        return false;
    }
    return true;
}

} // namespace zipdir
