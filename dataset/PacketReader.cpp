// The packet reader: expat streams the packet straight into a Table.
//
// Encoding: packets usually carry raw CP1252 bytes with no declaration, which
// expat's default (UTF-8) rejects, so they are read as ISO-8859-1 and every
// code point below 256 is taken back as the byte it came from. The bytes reach
// expat as their UTF-8 form, turned here in one cheap pass: expat reads UTF-8
// faster than it converts ISO-8859-1, and sees the same characters. A packet
// whose prolog declares UTF-8 is parsed as UTF-8, and a UTF-16 packet is turned
// into UTF-8 here before expat sees it. Either way expat hands over UTF-8, and
// only values with bytes above 127 go through the CP1252 table.
//
// Character references that XML forbids (&#001;) would make expat reject the
// whole packet, so they are rewritten in the ASCII-compatible stream before
// expat sees it: a control code becomes a private-use character U+E000 + code,
// which the conversion turns back into the control byte; other forbidden
// references become "?". Genuine U+E000..U+E01F characters become "?" in the
// same pass (CP1252 has no such character), so that range reaching the table
// is always a rewritten control code. In a single-byte packet a reference to
// U+0080..U+009F is rewritten to the byte it means in CP1252, because expat's
// ISO-8859-1 view would otherwise confuse it with the raw byte of that value.
//
// Values and row states come only from attributes written on the elements: a
// DTD that declares attributes (defaults, or types that make expat normalise
// values) is refused, as are entity declarations.

#include "dataset/PacketTable.h"

#include "platform/Platform.h"
#include "support/VxStrUtils.h"

#include <cerrno>
#include <expat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

namespace dataset {

PacketError::PacketError(std::string File, unsigned long Line, std::string Reason)
    : EVxError("Invalid data packet " + File + ", line " + std::to_string(Line) + ": " + Reason),
      FFile(std::move(File)), FLine(Line), FReason(std::move(Reason)) {}

namespace {

struct TypeName {
    const char* Name;
    FieldType Type;
};
constexpr TypeName kTypeNames[] = {
    {"string", FieldType::String},   {"string.uni", FieldType::WideString},
    {"i1", FieldType::Int8},         {"i2", FieldType::Int16},
    {"i4", FieldType::Int32},        {"i8", FieldType::Int64},
    {"ui1", FieldType::UInt8},       {"ui2", FieldType::UInt16},
    {"ui4", FieldType::UInt32},      {"r8", FieldType::Float},
    {"fixed", FieldType::Fixed},     {"fixedFMT", FieldType::FixedFmt},
    {"boolean", FieldType::Boolean}, {"date", FieldType::Date},
    {"time", FieldType::Time},       {"dateTime", FieldType::DateTime},
    {"bin.hex", FieldType::BinHex},  {"nested", FieldType::Nested},
};

FieldType ParseFieldType(std::string_view Name) {
    for (const auto& t : kTypeNames)
        if (Name == t.Name) return t.Type;
    return FieldType::Unknown;
}

bool EqualNoCase(std::string_view A, std::string_view B) {
    if (A.size() != B.size()) return false;
    for (size_t i = 0; i < A.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(A[i]), b = static_cast<unsigned char>(B[i]);
        if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
        if (a != b) return false;
    }
    return true;
}

// A whole decimal number from 0 to Max: digits only, nothing else.
bool ParseWhole(const char* Text, uint64_t Max, uint64_t& Value) {
    if (!*Text) return false;
    uint64_t v = 0;
    for (const char* p = Text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<uint64_t>(*p - '0');
        if (v > Max) return false;
    }
    Value = v;
    return true;
}

// XML 1.0 Char: #x9 | #xA | #xD | [#x20-#xD7FF] | [#xE000-#xFFFD] | [#x10000-#x10FFFF].
bool ForbiddenCodePoint(uint32_t V) {
    return (V < 0x20 && V != 0x9 && V != 0xA && V != 0xD) || (V >= 0xD800 && V <= 0xDFFF) || V == 0xFFFE ||
           V == 0xFFFF || V > 0x10FFFF;
}

enum class RefScan { NotRef, Incomplete, Ref };

// Any value from here on is out of range; digits that follow keep it there.
constexpr uint32_t kTooLarge = 0x110000;

struct RefInfo {
    size_t Len = 0;     // of the whole reference, for Ref
    uint32_t Value = 0; // clamped to kTooLarge
    bool Hex = false;
    bool Digits = false;
};

// A numeric character reference starting at S ("&#...;"). Leading zeros are
// read however many there are; for Incomplete, Info holds what was read.
RefScan ScanRef(const char* S, const char* End, RefInfo& Info) {
    Info = RefInfo{};
    const char* p = S + 1;
    if (p == End) return RefScan::Incomplete;
    if (*p != '#') return RefScan::NotRef;
    if (++p == End) return RefScan::Incomplete;
    Info.Hex = *p == 'x';
    if (Info.Hex && ++p == End) return RefScan::Incomplete;
    const uint32_t base = Info.Hex ? 16 : 10;
    uint32_t v = 0;
    for (; p != End; ++p) {
        const char c = *p;
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (Info.Hex && c >= 'a' && c <= 'f')
            d = static_cast<uint32_t>(c - 'a' + 10);
        else if (Info.Hex && c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        else
            break;
        v = std::min<uint32_t>(v * base + d, kTooLarge);
        Info.Digits = true;
    }
    Info.Value = v;
    if (p == End) return RefScan::Incomplete;
    if (*p != ';' || !Info.Digits) return RefScan::NotRef;
    Info.Len = static_cast<size_t>(p + 1 - S);
    return RefScan::Ref;
}

// The start of a reference cut by a chunk's end, in its shortest form with the
// same meaning, so that a run of leading zeros never piles up between chunks.
std::string CutReference(const char* S, const char* End, const RefInfo& Info) {
    if (!Info.Digits) return std::string(S, End);
    char digits[16];
    std::snprintf(digits, sizeof digits, Info.Hex ? "%X" : "%u", static_cast<unsigned>(Info.Value));
    return std::string(Info.Hex ? "&#x" : "&#") + digits;
}

// The encoding named by the XML declaration at the packet's start; empty when
// there is none.
std::string_view DeclaredEncoding(std::string_view Head) {
    if (Head.substr(0, 5) != "<?xml") return {};
    Head = Head.substr(0, std::min<size_t>(Head.find("?>"), 512));
    const size_t at = Head.find("encoding");
    if (at == std::string_view::npos) return {};
    size_t i = at + 8;
    while (i < Head.size() && (Head[i] == ' ' || Head[i] == '\t' || Head[i] == '\r' || Head[i] == '\n')) ++i;
    if (i >= Head.size() || Head[i] != '=') return {};
    ++i;
    while (i < Head.size() && (Head[i] == ' ' || Head[i] == '\t' || Head[i] == '\r' || Head[i] == '\n')) ++i;
    if (i >= Head.size() || (Head[i] != '"' && Head[i] != '\'')) return {};
    const char quote = Head[i++];
    const size_t close = Head.find(quote, i);
    if (close == std::string_view::npos) return {};
    return Head.substr(i, close - i);
}

bool IsUtf8Name(std::string_view Encoding) {
    return EqualNoCase(Encoding, "UTF-8") || EqualNoCase(Encoding, "UTF8");
}

// Single-byte encodings read as CP1252: ASCII is a part of it, and ISO-8859-1
// differs only in C1 controls, which no packet holds.
bool IsCp1252Name(std::string_view Encoding) {
    for (const char* name :
         {"windows-1252", "cp1252", "ISO-8859-1", "ISO_8859-1", "ISO8859-1", "latin1", "US-ASCII", "ASCII"})
        if (EqualNoCase(Encoding, name)) return true;
    return false;
}

// Why a packet naming another encoding is refused, in the program's language:
// its bytes would mean other letters than the ones CP1252 reads.
std::string UnknownEncoding(std::string_view Encoding) {
    std::string shown(Encoding.substr(0, 40));
    for (char& c : shown)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.' && c != ':')
            c = '?';
    return "codifica \"" + shown +
           "\" dichiarata non gestita: si leggono UTF-8, UTF-16, windows-1252 e ISO-8859-1";
}

enum class Utf16 { No, LittleEndian, BigEndian };

// By the byte-order mark, or without one by the '<' that starts the packet.
Utf16 DetectUtf16(std::string_view Head) {
    if (Head.size() < 2) return Utf16::No;
    if ((Head[0] == '\xFF' && Head[1] == '\xFE') || (Head[0] == '<' && Head[1] == '\0'))
        return Utf16::LittleEndian;
    if ((Head[0] == '\xFE' && Head[1] == '\xFF') || (Head[0] == '\0' && Head[1] == '<'))
        return Utf16::BigEndian;
    return Utf16::No;
}

void AppendUtf8(std::string& Out, uint32_t Cp) {
    if (Cp < 0x80) {
        Out += static_cast<char>(Cp);
    } else if (Cp < 0x800) {
        Out += static_cast<char>(0xC0 | (Cp >> 6));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else if (Cp < 0x10000) {
        Out += static_cast<char>(0xE0 | (Cp >> 12));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Cp >> 18));
        Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Cp & 0x3F));
    }
}

// A byte that never occurs in UTF-8: put where UTF-16 input is broken, so that
// expat reports the packet not well-formed at that line.
constexpr char kNotUtf8 = '\xFF';

// ASCII-insensitive hash and equality for the duplicate-name check, matching
// the dataset's case-insensitive field lookup.
struct NoCaseHash {
    size_t operator()(std::string_view S) const {
        size_t h = 1469598103934665603ull;
        for (char c : S) {
            unsigned char u = static_cast<unsigned char>(c);
            if (u >= 'a' && u <= 'z') u = static_cast<unsigned char>(u - 32);
            h = (h ^ u) * 1099511628211ull;
        }
        return h;
    }
};
struct NoCaseEqual {
    bool operator()(std::string_view A, std::string_view B) const { return EqualNoCase(A, B); }
};
struct ExactHash {
    using is_transparent = void;
    size_t operator()(std::string_view S) const { return std::hash<std::string_view>()(S); }
};

// A value quoted in a message, cut where it would swamp the message.
std::string Quoted(std::string_view Value) {
    constexpr size_t kShown = 40;
    return '"' + std::string(Value.substr(0, kShown)) + (Value.size() > kShown ? "...\"" : "\"");
}

constexpr const char* kNoMemory = "not enough memory to load the packet";
constexpr const char* kPacketTooLarge = "the file is too large: a packet holds at most 4 GB";

// The size of one read from a packet file.
constexpr size_t kChunk = size_t(1) << 18;
// The most one read takes, with what expat holds back, within expat's int sizes.
constexpr size_t kMaxRead = size_t(1) << 30;
// Elements nest at most this deep in a packet, nested datasets included.
constexpr size_t kMaxDepth = 9;

// What one thread keeps from packet to packet: a parser whose input buffer
// and pools stay allocated across a reset, and the buffers of the reads, so
// their pages are not faulted in and zeroed again for every packet or piece.
class ThreadScratch {
public:
    ~ThreadScratch() {
        if (FParser) XML_ParserFree(FParser);
    }
    // A parser for Encoding with no handlers set; the caller owns it until Give.
    XML_Parser Take(const char* Encoding) {
        XML_Parser p = FParser;
        FParser = nullptr;
        if (p && XML_ParserReset(p, Encoding)) return p;
        if (p) XML_ParserFree(p);
        return XML_ParserCreate(Encoding);
    }
    void Give(XML_Parser Parser) {
        if (FParser)
            XML_ParserFree(Parser);
        else
            FParser = Parser;
    }
    char* Chunk() {
        if (!FChunk) FChunk.reset(new char[kChunk]);
        return FChunk.get();
    }
    // A buffer of at least Bytes for a single-byte packet's reads, its
    // contents not kept when it grows.
    char* Raw(size_t Bytes) {
        if (Bytes > FRawSize) {
            FRaw.reset();
            FRaw.reset(new char[Bytes]);
            FRawSize = Bytes;
        }
        return FRaw.get();
    }
    // Once a packet is read: a read buffer grown for a huge token is not kept.
    void KeepSmall() {
        if (FRawSize > 4 * kChunk) {
            FRaw.reset();
            FRawSize = 0;
        }
    }

private:
    XML_Parser FParser = nullptr;
    std::unique_ptr<char[]> FChunk;
    std::unique_ptr<char[]> FRaw;
    size_t FRawSize = 0;
};

ThreadScratch& Scratch() {
    thread_local ThreadScratch scratch;
    return scratch;
}

constexpr int kAttrIgnored = -1;
constexpr int kAttrRowState = -2;
// The encoding is decided on this much of the packet's start.
constexpr size_t kPrologBytes = 512;

} // namespace

class PacketBuilder {
public:
    PacketBuilder(const std::string& Name, size_t SizeHint) : FName(Name), FTable(std::make_shared<Table>()) {
        // Values never take more than the packet's own bytes.
        FTable->FArena.Grow(std::max<size_t>(SizeHint, 64), 0);
        FSizeHint = SizeHint;
    }
    ~PacketBuilder() {
        if (FParser) Scratch().Give(FParser);
    }
    PacketBuilder(const PacketBuilder&) = delete;
    // Single-byte bytes go to expat as they are, read as ISO-8859-1.
    void SingleByteAsIs() { FSingleByteAsIs = true; }
    // Expat refused the UTF-8 form of a single-byte packet. Its classes of
    // name characters above 127 differ between the two encodings, so such a
    // packet is read again as it is, and tells what it always did.
    bool RefusedAsUtf8() const { return FToUtf8 && FExpatRefused; }
    PacketBuilder& operator=(const PacketBuilder&) = delete;

    void Feed(const char* Data, size_t Len, bool Final);
    // Reads the file from where it stands to its end, or only Limit bytes;
    // the input ends with them when Final. Returns the bytes read.
    uint64_t FeedFile(std::FILE* File, const std::string& Path, uint64_t Limit = UINT64_MAX,
                      bool Final = true);
    // How much to hand over next: at least Chunk, and at least as much as
    // expat holds back of a token not yet finished. Expat scans an unfinished
    // token again from its start on every call, so growing with the token
    // keeps a huge attribute value or comment linear instead of quadratic.
    size_t NextSize(size_t Chunk) const;
    std::shared_ptr<const Table> Finish();
    // A packet's pieces, each parsed apart (closed as a whole packet) and
    // sealed, joined into the first piece's table; nothing when they do not
    // declare the same fields.
    static std::shared_ptr<const Table> Join(std::vector<std::unique_ptr<PacketBuilder>>& Pieces);
    // Raises the error of a packet without FIELDS; then the rows' starts
    // become addresses, since the arena no longer moves, and the blocks' unused
    // ends go back to the system. Once, when the rows are all in.
    void Seal();
    // Turns the two-byte cells of T's first Rows rows into four-byte ones, with
    // room for CapacityRows rows.
    static void WidenCells(Table& T, size_t Rows, size_t CapacityRows);
    // The line reached, for an error raised outside the parser's callbacks.
    unsigned long Line() const {
        if (FFailed && FFailLine) return FFailLine;
        return FParser ? XML_GetCurrentLineNumber(FParser) : 1;
    }

private:
    enum Kind : uint8_t { Root, Metadata, Fields, Field, Params, RowData, Row };

    void CreateParser(std::string_view Head);
    static void FindLiveRows(Table& T);
    void Input(const char* Data, size_t Len, bool Final);
    void Parse(const char* Data, size_t Len, bool Final);
    // Hands Len bytes of the single-byte stream to expat as UTF-8.
    void ParseAsUtf8(const char* Data, size_t Len, bool Final);
    bool Rewrite(const char* Data, size_t Len, bool Final, size_t& Keep);
    void Utf16ToUtf8(const char* Data, size_t Len, bool Final, std::string& Out);
    void Utf16Unit(uint32_t Unit, std::string& Out);
    void Check(XML_Status Status);
    void Fail(std::string Reason);
    void FailOutOfMemory();
    [[noreturn]] void Throw();

    template <class Work>
    static void Guarded(void* Self, Work&& W);
    static void XMLCALL OnStart(void* Self, const XML_Char* Name, const XML_Char** Atts);
    static void XMLCALL OnEnd(void* Self, const XML_Char* Name);
    static void XMLCALL OnEntityDecl(void* Self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                                     const XML_Char*, const XML_Char*, const XML_Char*);
    static void XMLCALL OnAttlistDecl(void* Self, const XML_Char*, const XML_Char*, const XML_Char*,
                                      const XML_Char*, int);
    void Start(const char* Name, const char** Atts);
    void AddField(const char** Atts);
    void AddRow(const char** Atts);
    void ReserveRows(uint32_t Next);
    int ResolveAttribute(const char* Name);
    void AppendValue(const char* Value);
    std::string ToCp1252(std::string_view Utf8) const;
    char MapCodePoint(uint32_t Cp) const;

    std::string FName;
    std::shared_ptr<Table> FTable;
    XML_Parser FParser = nullptr;
    bool FLatin1 = true;
    // A single-byte packet: what goes to expat is turned into UTF-8 first,
    // unless FSingleByteAsIs.
    bool FToUtf8 = false;
    bool FSingleByteAsIs = false;
    bool FExpatRefused = false; // expat itself found the packet not well-formed
    Utf16 FUtf16 = Utf16::No;
    bool FFailed = false;
    bool FOutOfMemory = false;
    std::string FReason;
    unsigned long FFailLine = 0;
    uint64_t FFed = 0;
    uint64_t FToExpat = 0; // bytes handed to expat, as its byte index counts them
    size_t FSizeHint = 0;

    std::string FHead;    // the packet's start, until the encoding is decided
    std::string FCarry;   // a reference split by the chunk boundary
    std::string FScratch; // the chunk with forbidden references rewritten
    std::string FWide;    // a UTF-16 chunk turned into UTF-8
    int FOddByte = -1;    // a UTF-16 code unit's first byte, cut by the chunk's end
    uint32_t FHighSurrogate = 0;

    std::vector<Kind> FStack;
    size_t FSkipDepth = 0; // inside an element the table ignores (nested rows, unknown)
    bool FFieldsSeen = false;

    // Field by attribute name as expat delivers it (UTF-8), and the field names
    // already taken, compared as the dataset's lookup compares them.
    std::unordered_map<std::string, int, ExactHash, std::equal_to<>> FFieldByName;
    std::unordered_set<std::string, NoCaseHash, NoCaseEqual> FNames;
    std::vector<const char*> FSlots;     // this row's value per field
    std::vector<uint32_t> FRowEnds;      // this row's cells before they are stored, four bytes each
    std::vector<const char*> FSeenNames; // attribute name pointers by position in the last rows
    std::vector<int> FSeenFields;
    size_t FUsed = 0;
    size_t FRowsAllocated = 0;
    bool FHasStates = false;
};

void PacketBuilder::CreateParser(std::string_view Head) {
    FUtf16 = DetectUtf16(Head);
    const bool bom = Head.substr(0, 3) == "\xEF\xBB\xBF";
    const std::string_view declared =
        FUtf16 == Utf16::No && !bom ? DeclaredEncoding(Head) : std::string_view();
    if (!declared.empty() && !IsUtf8Name(declared) && !IsCp1252Name(declared))
        throw PacketError(FName, 1, UnknownEncoding(declared));
    if (FUtf16 != Utf16::No || bom || IsUtf8Name(declared)) {
        // A UTF-16 packet reaches expat as UTF-8; the declaration it carries
        // is overridden by the encoding given here.
        FLatin1 = false;
        FParser = Scratch().Take("UTF-8");
    } else if (FSingleByteAsIs) {
        FParser = Scratch().Take("ISO-8859-1");
    } else {
        FToUtf8 = true;
        FParser = Scratch().Take("UTF-8");
    }
    if (!FParser) throw std::bad_alloc();
    XML_SetUserData(FParser, this);
    XML_SetElementHandler(FParser, &PacketBuilder::OnStart, &PacketBuilder::OnEnd);
    XML_SetEntityDeclHandler(FParser, &PacketBuilder::OnEntityDecl);
    XML_SetAttlistDeclHandler(FParser, &PacketBuilder::OnAttlistDecl);
}

void PacketBuilder::Feed(const char* Data, size_t Len, bool Final) {
    if (!FParser) {
        if (FFed == 0 && Len == 0 && Final) {
            FFailLine = 1;
            FReason = "the file is empty";
            Throw();
        }
        FFed += Len;
        if (FHead.size() + Len < kPrologBytes && !Final) {
            FHead.append(Data, Len);
            return;
        }
        if (!FHead.empty()) {
            FHead.append(Data, Len);
            std::string head;
            head.swap(FHead);
            CreateParser(head);
            Input(head.data(), head.size(), Final);
            return;
        }
        CreateParser(std::string_view(Data, Len));
    } else {
        FFed += Len;
    }
    Input(Data, Len, Final);
}

void PacketBuilder::Input(const char* Data, size_t Len, bool Final) {
    if (FUtf16 != Utf16::No) {
        FWide.assign(FCarry);
        FCarry.clear();
        Utf16ToUtf8(Data, Len, Final, FWide);
        Parse(FWide.data(), FWide.size(), Final);
        return;
    }
    if (!FCarry.empty()) {
        FCarry.append(Data, Len);
        std::string joined;
        joined.swap(FCarry);
        Parse(joined.data(), joined.size(), Final);
        return;
    }
    Parse(Data, Len, Final);
}

void PacketBuilder::Utf16Unit(uint32_t Unit, std::string& Out) {
    if (FHighSurrogate) {
        if (Unit >= 0xDC00 && Unit <= 0xDFFF) {
            AppendUtf8(Out, 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (Unit - 0xDC00));
            FHighSurrogate = 0;
            return;
        }
        Out += kNotUtf8;
        FHighSurrogate = 0;
    }
    if (Unit >= 0xD800 && Unit <= 0xDBFF)
        FHighSurrogate = Unit;
    else if (Unit >= 0xDC00 && Unit <= 0xDFFF)
        Out += kNotUtf8;
    else
        AppendUtf8(Out, Unit);
}

// Appends the UTF-8 form of UTF-16 bytes; a code unit or a surrogate pair cut
// by the chunk's end waits for the next chunk.
void PacketBuilder::Utf16ToUtf8(const char* Data, size_t Len, bool Final, std::string& Out) {
    Out.reserve(Out.size() + Len / 2 * 3 + 8);
    const auto* p = reinterpret_cast<const unsigned char*>(Data);
    const auto* end = p + Len;
    const bool big = FUtf16 == Utf16::BigEndian;
    auto unit = [big](uint32_t First, uint32_t Second) {
        return big ? First << 8 | Second : Second << 8 | First;
    };
    if (FOddByte >= 0 && p < end) {
        Utf16Unit(unit(static_cast<uint32_t>(FOddByte), *p++), Out);
        FOddByte = -1;
    }
    for (; end - p >= 2; p += 2) Utf16Unit(unit(p[0], p[1]), Out);
    if (p < end) FOddByte = *p;
    if (Final && (FOddByte >= 0 || FHighSurrogate)) {
        Out += kNotUtf8;
        FOddByte = -1;
        FHighSurrogate = 0;
    }
}

// Rewrites references and characters of Data (see the top of the file) into
// FScratch (true when there were any) and holds back what the end of a
// non-final chunk cuts in FCarry; Keep is the length of Data that goes to the
// parser now.
bool PacketBuilder::Rewrite(const char* Data, size_t Len, bool Final, size_t& Keep) {
    const char* end = Data + Len;
    const char* copied = Data;
    const char* keepEnd = end;
    bool rewritten = false;
    std::string carry;
    auto find = [end](const char* From, char C) {
        const void* at = std::memchr(From, C, static_cast<size_t>(end - From));
        return at ? static_cast<const char*>(at) : end;
    };
    auto replace = [&](const char* From, const char* To, std::string_view With) {
        if (!rewritten) {
            FScratch.clear();
            rewritten = true;
        }
        FScratch.append(copied, From);
        FScratch += With;
        copied = To;
    };
    // Private-use characters U+E000..U+E01F are EE 80 80..EE 80 9F in UTF-8.
    const char kPrivateLead = '\xEE';
    const char* amp = find(Data, '&');
    const char* lead = FLatin1 ? end : find(Data, kPrivateLead);
    while (amp != end || lead != end) {
        if (amp < lead) {
            RefInfo ref;
            const RefScan r = ScanRef(amp, end, ref);
            const char* next = amp + 1;
            if (r == RefScan::Incomplete && !Final) {
                carry = CutReference(amp, end, ref);
                keepEnd = amp;
                break;
            }
            if (r == RefScan::Ref) {
                const uint32_t v = ref.Value;
                next = amp + ref.Len;
                if (ForbiddenCodePoint(v) && v < 0x20) {
                    static const char hexDigits[] = "0123456789ABCDEF";
                    const char marker[] = {'&', '#', 'x', 'E', '0', hexDigits[v >> 4], hexDigits[v & 15],
                                           ';'};
                    replace(amp, next, std::string_view(marker, sizeof marker));
                } else if (ForbiddenCodePoint(v) || (v >= 0xE000 && v < 0xE020)) {
                    replace(amp, next, "?");
                } else if (FLatin1 && v >= 0x80 && v < 0xA0) {
                    const int b = platform::UnicodeToCp1252(static_cast<char32_t>(v));
                    const char byte = b < 0 ? '?' : static_cast<char>(b);
                    replace(amp, next, std::string_view(&byte, 1));
                }
            }
            amp = find(next, '&');
            if (lead < next) lead = find(next, kPrivateLead);
        } else {
            const char* next = lead + 1;
            if (end - lead < 3 && !Final && (end - lead == 1 || lead[1] == '\x80')) {
                carry.assign(lead, end);
                keepEnd = lead;
                break;
            }
            if (end - lead >= 3 && lead[1] == '\x80' && static_cast<unsigned char>(lead[2]) <= 0x9F) {
                next = lead + 3;
                replace(lead, next, "?");
            }
            lead = find(next, kPrivateLead);
            if (amp < next) amp = find(next, '&');
        }
    }
    FCarry.swap(carry);
    if (rewritten) FScratch.append(copied, keepEnd);
    Keep = static_cast<size_t>(keepEnd - Data);
    return rewritten;
}

void PacketBuilder::Check(XML_Status Status) {
    if (Status != XML_STATUS_ERROR) return;
    if (!FFailed) {
        FFailed = true;
        FExpatRefused = true;
        FReason = XML_ErrorString(XML_GetErrorCode(FParser));
        FFailLine = XML_GetCurrentLineNumber(FParser);
    }
    Throw();
}

// ISO-8859-1 to UTF-8: runs of ASCII are copied eight bytes at a time.
static size_t Latin1ToUtf8(const char* Data, size_t Len, char* Out) {
    const auto* in = reinterpret_cast<const unsigned char*>(Data);
    auto* out = reinterpret_cast<unsigned char*>(Out);
    size_t i = 0;
    while (i < Len) {
        for (uint64_t word; i + 8 <= Len; i += 8, out += 8) {
            std::memcpy(&word, in + i, 8);
            if (word & 0x8080808080808080ULL) break;
            std::memcpy(out, &word, 8);
        }
        const size_t stop = std::min(Len, i + 8);
        for (; i < stop; ++i) {
            const unsigned char c = in[i];
            if (c < 0x80) {
                *out++ = c;
            } else {
                *out++ = static_cast<unsigned char>(0xC0 | (c >> 6));
                *out++ = static_cast<unsigned char>(0x80 | (c & 0x3F));
            }
        }
    }
    return static_cast<size_t>(out - reinterpret_cast<unsigned char*>(Out));
}

void PacketBuilder::ParseAsUtf8(const char* Data, size_t Len, bool Final) {
    // Each byte takes at most two.
    if (Len > static_cast<size_t>(std::numeric_limits<int>::max() / 2)) throw std::bad_alloc();
    char* buf = static_cast<char*>(XML_GetBuffer(FParser, static_cast<int>(Len * 2)));
    if (!buf) throw std::bad_alloc();
    const size_t n = Latin1ToUtf8(Data, Len, buf);
    FToExpat += n;
    Check(XML_ParseBuffer(FParser, static_cast<int>(n), Final));
}

void PacketBuilder::Parse(const char* Data, size_t Len, bool Final) {
    size_t keep = 0;
    const bool rewritten = Rewrite(Data, Len, Final, keep);
    if (FToUtf8) {
        if (rewritten)
            ParseAsUtf8(FScratch.data(), FScratch.size(), Final);
        else
            ParseAsUtf8(Data, keep, Final);
        return;
    }
    if (rewritten) {
        FToExpat += FScratch.size();
        Check(XML_Parse(FParser, FScratch.data(), static_cast<int>(FScratch.size()), Final));
    } else {
        FToExpat += keep;
        Check(XML_Parse(FParser, Data, static_cast<int>(keep), Final));
    }
}

size_t PacketBuilder::NextSize(size_t Chunk) const {
    if (!FParser) return Chunk;
    // After a call that did not end the input, expat's current position is
    // the start of what it holds back.
    const XML_Index at = XML_GetCurrentByteIndex(FParser);
    if (at < 0) return Chunk;
    using Index = std::make_unsigned_t<XML_Index>; // a 32-bit index wraps on big packets
    const auto held =
        static_cast<uint64_t>(static_cast<Index>(static_cast<Index>(FToExpat) - static_cast<Index>(at)));
    return static_cast<size_t>(std::clamp<uint64_t>(held, Chunk, std::max<uint64_t>(Chunk, kMaxRead)));
}

uint64_t PacketBuilder::FeedFile(std::FILE* File, const std::string& Path, uint64_t Limit, bool Final) {
    // The first chunk holds the prolog that decides the encoding.
    char* const chunk = Scratch().Chunk();
    const size_t firstWant = static_cast<size_t>(std::min<uint64_t>(kChunk, Limit));
    const size_t first = std::fread(chunk, 1, firstWant, File);
    if (first < firstWant && std::ferror(File)) throw EVxError("Cannot open file " + PathText(Path), EIO);
    uint64_t read = first;
    bool last = first < firstWant || read == Limit;
    Feed(chunk, first, last && Final);
    // A file that grows while it is read is held to the same bound as its size.
    auto checkSize = [&] {
        if (FFed > kMaxPacketBytes) throw PacketError(Path, Line(), kPacketTooLarge);
    };
    if (FUtf16 != Utf16::No) {
        std::unique_ptr<char[]> big;
        size_t bigSize = 0;
        while (!last) {
            const size_t want = static_cast<size_t>(std::min<uint64_t>(NextSize(kChunk), Limit - read));
            char* buf = chunk;
            if (want > kChunk) {
                if (want > bigSize) {
                    big.reset(new char[want]);
                    bigSize = want;
                }
                buf = big.get();
            }
            const size_t m = std::fread(buf, 1, want, File);
            if (m < want && std::ferror(File)) throw EVxError("Cannot open file " + PathText(Path), EIO);
            read += m;
            last = m < want || read == Limit;
            Feed(buf, m, last && Final);
            checkSize();
        }
        return read;
    }
    // Then the rest: a single-byte packet through the thread's read buffer,
    // turned into UTF-8 on its way into expat's; any other straight into
    // expat's buffer, sparing a copy.
    struct Trim {
        ~Trim() { Scratch().KeepSmall(); }
    } trim;
    while (!last) {
        const size_t carry = FCarry.size();
        const size_t want = static_cast<size_t>(
            std::min<uint64_t>(std::min(NextSize(kChunk), FToUtf8 ? kMaxRead / 2 : kMaxRead), Limit - read));
        char* buf = nullptr;
        if (FToUtf8) {
            buf = Scratch().Raw(carry + want);
        } else {
            buf = static_cast<char*>(XML_GetBuffer(FParser, static_cast<int>(want + carry)));
            if (!buf) throw std::bad_alloc();
        }
        std::memcpy(buf, FCarry.data(), carry);
        const size_t n = std::fread(buf + carry, 1, want, File);
        if (n < want && std::ferror(File)) throw EVxError("Cannot open file " + PathText(Path), EIO);
        read += n;
        last = n < want || read == Limit;
        FFed += n;
        checkSize();
        size_t keep = 0;
        const bool rewritten = Rewrite(buf, carry + n, last && Final, keep);
        if (FToUtf8) {
            ParseAsUtf8(rewritten ? FScratch.data() : buf, rewritten ? FScratch.size() : keep, last && Final);
        } else if (rewritten) {
            FToExpat += FScratch.size();
            Check(XML_Parse(FParser, FScratch.data(), static_cast<int>(FScratch.size()), last && Final));
        } else {
            FToExpat += keep;
            Check(XML_ParseBuffer(FParser, static_cast<int>(keep), last && Final));
        }
    }
    return read;
}

void PacketBuilder::Fail(std::string Reason) {
    if (FFailed) return;
    FFailed = true;
    FReason = std::move(Reason);
    FFailLine = XML_GetCurrentLineNumber(FParser);
    XML_StopParser(FParser, XML_FALSE);
}

// Inside a callback nothing may be thrown through expat: the failure is noted
// without allocating and raised once expat has returned.
void PacketBuilder::FailOutOfMemory() {
    if (FFailed) return;
    FFailed = true;
    FOutOfMemory = true;
    FFailLine = XML_GetCurrentLineNumber(FParser);
    XML_StopParser(FParser, XML_FALSE);
}

void PacketBuilder::Throw() {
    if (FOutOfMemory) throw std::bad_alloc();
    throw PacketError(FName, FFailLine, FReason);
}

// Runs a callback's work; nothing is thrown back through expat.
template <class Work>
void PacketBuilder::Guarded(void* Self, Work&& W) {
    auto* b = static_cast<PacketBuilder*>(Self);
    try {
        W(*b);
    } catch (const std::bad_alloc&) {
        b->FailOutOfMemory();
    } catch (const std::length_error&) {
        b->FailOutOfMemory();
    }
}

// NOLINTNEXTLINE(readability-function-size): expat fixes the handler's nine parameters.
void XMLCALL PacketBuilder::OnEntityDecl(void* Self, const XML_Char*, int, const XML_Char*, int,
                                         const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    Guarded(Self, [](PacketBuilder& B) { B.Fail("entity declarations are not allowed"); });
}

void XMLCALL PacketBuilder::OnAttlistDecl(void* Self, const XML_Char*, const XML_Char*, const XML_Char*,
                                          const XML_Char*, int) {
    Guarded(Self, [](PacketBuilder& B) { B.Fail("attribute declarations are not allowed"); });
}

void XMLCALL PacketBuilder::OnStart(void* Self, const XML_Char* Name, const XML_Char** Atts) {
    Guarded(Self, [&](PacketBuilder& B) { B.Start(Name, Atts); });
}

void XMLCALL PacketBuilder::OnEnd(void* Self, const XML_Char*) {
    auto* b = static_cast<PacketBuilder*>(Self);
    if (b->FSkipDepth)
        --b->FSkipDepth;
    else if (!b->FStack.empty())
        b->FStack.pop_back();
}

void PacketBuilder::Start(const char* Name, const char** Atts) {
    if (FFailed) return;
    // Deeper nesting has no meaning in a packet; refused, it cannot make
    // expat's stack of open elements grow far beyond the file.
    if (FStack.size() + FSkipDepth >= kMaxDepth) {
        Fail("elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
        return;
    }
    if (FSkipDepth) {
        ++FSkipDepth;
        return;
    }
    if (FStack.empty()) {
        if (std::strcmp(Name, "DATAPACKET") != 0) {
            Fail("the root element is <" + ToCp1252(Name) + ">, not <DATAPACKET>");
            return;
        }
        FStack.push_back(Root);
        return;
    }
    Kind next;
    switch (FStack.back()) {
    case Root:
        if (std::strcmp(Name, "METADATA") == 0)
            next = Metadata;
        else if (std::strcmp(Name, "ROWDATA") == 0)
            next = RowData;
        else {
            FSkipDepth = 1;
            return;
        }
        break;
    case Metadata:
        if (std::strcmp(Name, "FIELDS") == 0) {
            if (FFieldsSeen) {
                Fail("more than one FIELDS element");
                return;
            }
            FFieldsSeen = true;
            next = Fields;
        } else if (std::strcmp(Name, "PARAMS") == 0) {
            next = Params;
        } else {
            FSkipDepth = 1;
            return;
        }
        break;
    case Fields:
        if (std::strcmp(Name, "FIELD") != 0) {
            FSkipDepth = 1;
            return;
        }
        AddField(Atts);
        next = Field;
        break;
    case RowData:
        if (std::strcmp(Name, "ROW") != 0) {
            FSkipDepth = 1;
            return;
        }
        AddRow(Atts);
        next = Row;
        break;
    default: // inside FIELD (a nested field's own fields), PARAMS or ROW (nested rows)
        FSkipDepth = 1;
        return;
    }
    FStack.push_back(next);
}

void PacketBuilder::AddField(const char** Atts) {
    const char* name = nullptr;
    const char* width = nullptr;
    const char* decimals = nullptr;
    FieldDef def;
    def.Type = FieldType::Unknown; // a FIELD without fieldtype
    for (int i = 0; Atts[i]; i += 2) {
        const char* a = Atts[i];
        const char* v = Atts[i + 1];
        if (std::strcmp(a, "attrname") == 0)
            name = v;
        else if (std::strcmp(a, "fieldtype") == 0)
            def.Type = ParseFieldType(v);
        else if (std::strcmp(a, "WIDTH") == 0)
            width = v;
        else if (std::strcmp(a, "DECIMALS") == 0)
            decimals = v;
        else if (std::strcmp(a, "SUBTYPE") == 0)
            def.SubType = ToCp1252(v);
    }
    if (!name || !*name) {
        Fail("a FIELD has no attrname");
        return;
    }
    def.Name = ToCp1252(name);
    constexpr uint64_t kMaxSize = static_cast<uint64_t>(std::numeric_limits<int>::max());
    auto size = [&](const char* Attr, const char* Text, int& Out) {
        uint64_t v = 0;
        if (!Text) return true;
        if (ParseWhole(Text, kMaxSize, v)) {
            Out = static_cast<int>(v);
            return true;
        }
        Fail(std::string(Attr) + ' ' + Quoted(ToCp1252(Text)) + " of field '" + def.Name +
             "' is not a whole number from 0 to " + std::to_string(kMaxSize));
        return false;
    };
    if (!size("WIDTH", width, def.Width) || !size("DECIMALS", decimals, def.Decimals)) return;
    if (!FNames.insert(def.Name).second) {
        Fail("duplicate field name '" + def.Name + "'");
        return;
    }
    const int index = static_cast<int>(FTable->FFields.size());
    // Attributes match field names exactly; a second spelling is another attribute.
    FFieldByName.emplace(name, def.Type == FieldType::Nested ? kAttrIgnored : index);
    FTable->FFields.push_back(std::move(def));
    FSlots.push_back(nullptr);
}

int PacketBuilder::ResolveAttribute(const char* Name) {
    const auto it = FFieldByName.find(std::string_view(Name));
    if (it != FFieldByName.end()) return it->second;
    if (std::strcmp(Name, "RowState") == 0) return kAttrRowState;
    return kAttrIgnored;
}

// Cells grow with the rows, from a first block no larger than the packet.
void PacketBuilder::ReserveRows(uint32_t Next) {
    if (Next < FRowsAllocated) return;
    Table& t = *FTable;
    const size_t rowBytes = t.FFields.size() * t.CellBytes() + sizeof(uintptr_t);
    size_t rows;
    if (FRowsAllocated == 0) {
        const size_t budget = std::max<size_t>(FSizeHint, size_t(1) << 20) / rowBytes;
        rows = std::max<size_t>(std::min(FSizeHint / 128, budget), 64);
    } else {
        // The rows so far tell how many the rest of the packet holds: one step
        // to that many (and a tenth more) copies and touches less than doubling
        // again and again.
        rows = FRowsAllocated * 2;
        const auto at = XML_GetCurrentByteIndex(FParser);
        if (at > 0 && FSizeHint > static_cast<uint64_t>(at)) {
            const double estimate =
                static_cast<double>(Next) * static_cast<double>(FSizeHint) / static_cast<double>(at) * 1.1;
            if (estimate > static_cast<double>(rows) && estimate < static_cast<double>(UINT32_MAX))
                rows = static_cast<size_t>(estimate);
        }
    }
    rows = std::min<size_t>(rows, UINT32_MAX);
    if (rows > SIZE_MAX / rowBytes) throw std::bad_alloc();
    const size_t cellBytes = t.FFields.size() * t.CellBytes();
    t.FCells.Grow(rows * cellBytes + 1, FRowsAllocated * cellBytes);
    t.FRowStart.Grow(rows * sizeof(uintptr_t), FRowsAllocated * sizeof(uintptr_t));
    FRowsAllocated = rows;
}

void PacketBuilder::AddRow(const char** Atts) {
    if (!FFieldsSeen) {
        Fail("ROW before FIELDS");
        return;
    }
    Table& t = *FTable;
    const char* stateText = nullptr;
    for (size_t i = 0, k = 0; Atts[i]; i += 2, ++k) {
        const char* name = Atts[i];
        int f;
        // Expat hands each distinct attribute name as one stable pointer, and rows
        // repeat their attribute order, so a pointer match by position settles most lookups.
        if (k < FSeenNames.size() && FSeenNames[k] == name) {
            f = FSeenFields[k];
        } else {
            f = ResolveAttribute(name);
            if (k >= FSeenNames.size()) {
                FSeenNames.resize(k + 1);
                FSeenFields.resize(k + 1);
            }
            FSeenNames[k] = name;
            FSeenFields[k] = f;
        }
        if (f >= 0)
            FSlots[static_cast<size_t>(f)] = Atts[i + 1];
        else if (f == kAttrRowState)
            stateText = Atts[i + 1];
    }

    const size_t nf = t.FFields.size();
    const uint32_t row = t.FRowCount;
    uint64_t state = 0;
    // An empty RowState is a row without state.
    if (stateText && *stateText && !ParseWhole(stateText, 255, state)) {
        std::fill(FSlots.begin(), FSlots.end(), nullptr);
        Fail("RowState " + Quoted(ToCp1252(stateText)) + " of row " + std::to_string(uint64_t(row) + 1) +
             " is not a whole number from 0 to 255");
        return;
    }
    if (row == UINT32_MAX) {
        Fail("too many rows");
        return;
    }
    ReserveRows(row);
    const size_t start = FUsed;
    reinterpret_cast<uintptr_t*>(t.FRowStart.Data())[row] = start;
    FRowEnds.resize(nf);
    for (size_t f = 0; f < nf; ++f) {
        const char* v = FSlots[f];
        if (v) {
            AppendValue(v);
            FSlots[f] = nullptr;
        }
        const size_t rel = FUsed - start;
        if (rel >= Table::kNullBit) {
            Fail("a row holds more than 2 GB");
            return;
        }
        FRowEnds[f] = static_cast<uint32_t>(rel) | (v ? 0 : Table::kNullBit);
    }
    if (!t.FWideCells && FUsed - start > Table::kNarrowLimit) WidenCells(t, row, FRowsAllocated);
    if (t.FWideCells) {
        std::memcpy(t.FCells.Data() + static_cast<size_t>(row) * nf * sizeof(uint32_t), FRowEnds.data(),
                    nf * sizeof(uint32_t));
    } else {
        auto* cells = reinterpret_cast<uint16_t*>(t.FCells.Data()) + static_cast<size_t>(row) * nf;
        for (size_t f = 0; f < nf; ++f)
            cells[f] =
                static_cast<uint16_t>((FRowEnds[f] & Table::kNarrowLimit) |
                                      ((FRowEnds[f] & Table::kNullBit) != 0 ? Table::kNarrowNullBit : 0));
    }
    if (state != 0 && !FHasStates) {
        FHasStates = true;
        t.FStates.assign(row, 0);
    }
    if (FHasStates) t.FStates.push_back(static_cast<uint8_t>(state));
    t.FRowCount = row + 1;
}

char PacketBuilder::MapCodePoint(uint32_t Cp) const {
    if (Cp < 0x80 || (Cp >= 0xA0 && Cp < 0x100) || (FLatin1 && Cp < 0x100)) return static_cast<char>(Cp);
    if (Cp >= 0xE000 && Cp < 0xE020) return static_cast<char>(Cp - 0xE000); // a rewritten control reference
    const int b = platform::UnicodeToCp1252(static_cast<char32_t>(Cp));
    return b < 0 ? '?' : static_cast<char>(b);
}

namespace {
// Decodes one UTF-8 sequence (expat's output is always well formed).
inline uint32_t DecodeUtf8(const unsigned char*& P) {
    const uint32_t c = *P++;
    if (c < 0x80) return c;
    if (c < 0xE0) return ((c & 0x1F) << 6) | (*P++ & 0x3F);
    if (c < 0xF0) {
        uint32_t v = ((c & 0x0F) << 12) | ((P[0] & 0x3Fu) << 6) | (P[1] & 0x3Fu);
        P += 2;
        return v;
    }
    uint32_t v = ((c & 0x07) << 18) | ((P[0] & 0x3Fu) << 12) | ((P[1] & 0x3Fu) << 6) | (P[2] & 0x3Fu);
    P += 3;
    return v;
}
} // namespace

void PacketBuilder::AppendValue(const char* Value) {
    auto& arena = FTable->FArena;
    // Values are short: one pass copies plain bytes and stops at the first
    // byte above 127 or the end; the arena always has room for the value.
    char* out = arena.Data() + FUsed;
    const size_t room = arena.Capacity() - FUsed;
    size_t i = 0;
    // While the room cannot run out, one test per byte: 1 to 127 is copied.
    for (const size_t sure = std::min<size_t>(room, 4096); i < sure; ++i) {
        const char c = Value[i];
        if (static_cast<unsigned char>(c - 1) >= 0x7F) break;
        out[i] = c;
    }
    for (;; ++i) {
        const char c = Value[i];
        if (c == 0) {
            FUsed += i;
            return;
        }
        if (static_cast<unsigned char>(c) >= 0x80 || i == room) break;
        out[i] = c;
    }
    const size_t len = i + std::strlen(Value + i);
    if (FUsed + len > arena.Capacity()) {
        arena.Grow(std::max(arena.Capacity() * 2, FUsed + len), FUsed);
        out = arena.Data() + FUsed;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(Value);
    const auto* end = p + len;
    char* o = out;
    while (p < end) *o++ = MapCodePoint(DecodeUtf8(p));
    FUsed += static_cast<size_t>(o - out);
}

std::string PacketBuilder::ToCp1252(std::string_view Utf8) const {
    std::string out;
    out.reserve(Utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(Utf8.data());
    const auto* end = p + Utf8.size();
    while (p < end) out += MapCodePoint(DecodeUtf8(p));
    return out;
}

void PacketBuilder::Seal() {
    if (!FFieldsSeen) {
        FFailLine = XML_GetCurrentLineNumber(FParser);
        FReason = "the packet declares no FIELDS";
        Throw();
    }
    Table& t = *FTable;
    auto* starts = reinterpret_cast<uintptr_t*>(t.FRowStart.Data());
    const auto base = reinterpret_cast<uintptr_t>(t.FArena.Data());
    for (uint32_t r = 0; r < t.FRowCount; ++r) starts[r] += base;
    // The blocks were reserved for the packet's size; the huge pages cut by
    // their ends would stay resident for nothing while the table lives.
    t.FArena.Trim(FUsed);
    t.FCells.Trim(static_cast<size_t>(t.FRowCount) * t.FFields.size() * t.CellBytes() + 1);
    t.FRowStart.Trim(static_cast<size_t>(t.FRowCount) * sizeof(uintptr_t));
}

void PacketBuilder::FindLiveRows(Table& T) {
    if (T.FStates.empty()) return;
    bool all = true;
    for (uint8_t s : T.FStates) all = all && (s & 3) == 0;
    if (all) return;
    T.FLiveIdentity = false;
    T.FLive.reserve(T.FRowCount);
    for (uint32_t r = 0; r < T.FRowCount; ++r)
        if ((T.FStates[r] & 3) == 0) T.FLive.push_back(r);
}

std::shared_ptr<const Table> PacketBuilder::Finish() {
    Seal();
    FindLiveRows(*FTable);
    return FTable;
}

void PacketBuilder::WidenCells(Table& T, size_t Rows, size_t CapacityRows) {
    const size_t nf = T.FFields.size();
    detail::LargeBuffer wide;
    wide.Grow(std::max(CapacityRows, Rows) * nf * sizeof(uint32_t) + 1, 0);
    const auto* from = reinterpret_cast<const uint16_t*>(T.FCells.Data());
    auto* to = reinterpret_cast<uint32_t*>(wide.Data());
    for (size_t c = 0; c < Rows * nf; ++c)
        to[c] =
            (from[c] & Table::kNarrowLimit) | ((from[c] & Table::kNarrowNullBit) != 0 ? Table::kNullBit : 0);
    T.FCells.Swap(wide);
    T.FWideCells = true;
}

std::shared_ptr<const Table> PacketBuilder::Join(std::vector<std::unique_ptr<PacketBuilder>>& Pieces) {
    Table& t = *Pieces.front()->FTable;
    uint64_t total = 0;
    bool states = false;
    for (const auto& piece : Pieces) {
        const Table& p = *piece->FTable;
        if (p.FFields.size() != t.FFields.size()) return nullptr;
        for (size_t f = 0; f < p.FFields.size(); ++f)
            if (p.FFields[f].Name != t.FFields[f].Name || p.FFields[f].Type != t.FFields[f].Type ||
                p.FFields[f].Width != t.FFields[f].Width || p.FFields[f].Decimals != t.FFields[f].Decimals ||
                p.FFields[f].SubType != t.FFields[f].SubType)
                return nullptr;
        total += p.FRowCount;
        states = states || !p.FStates.empty();
    }
    if (total >= UINT32_MAX) return nullptr;
    // One cell width for the whole table: a piece with a long row widens the others.
    const bool wide =
        std::any_of(Pieces.begin(), Pieces.end(), [](const auto& p) { return p->FTable->FWideCells; });
    if (wide)
        for (auto& piece : Pieces) {
            Table& p = *piece->FTable;
            if (!p.FWideCells) WidenCells(p, p.FRowCount, p.FRowCount);
        }
    // The first piece reserved room for the whole packet's rows: mostly no
    // copy of the row starts; the other pieces' values and cells stay where
    // they are.
    t.FRowStart.Grow(total * sizeof(uintptr_t), t.FRowCount * sizeof(uintptr_t));
    if (states) t.FStates.resize(t.FRowCount, 0);
    for (size_t i = 1; i < Pieces.size(); ++i) {
        Table& p = *Pieces[i]->FTable;
        if (p.FRowCount > 0) {
            std::memcpy(t.FRowStart.Data() + t.FRowCount * sizeof(uintptr_t), p.FRowStart.Data(),
                        p.FRowCount * sizeof(uintptr_t));
            t.FPieceCells.push_back(std::make_unique<Table::Piece>());
            t.FPieceCells.back()->FirstRow = t.FRowCount;
            t.FPieceCells.back()->Cells.Swap(p.FCells);
        }
        if (states) {
            if (p.FStates.empty())
                t.FStates.resize(t.FStates.size() + p.FRowCount, 0);
            else
                t.FStates.insert(t.FStates.end(), p.FStates.begin(), p.FStates.end());
        }
        t.FRowCount += p.FRowCount;
        // The piece's values stay where its rows point.
        t.FPartArenas.push_back(std::make_unique<detail::LargeBuffer>());
        t.FPartArenas.back()->Swap(p.FArena);
        Pieces[i].reset();
    }
    t.FRowStart.Trim(static_cast<size_t>(t.FRowCount) * sizeof(uintptr_t));
    if (!t.FPieceCells.empty()) {
        t.FPieceStarts.push_back({0, reinterpret_cast<const unsigned char*>(t.FCells.Data())});
        for (const auto& piece : t.FPieceCells)
            t.FPieceStarts.push_back(
                {piece->FirstRow, reinterpret_cast<const unsigned char*>(piece->Cells.Data())});
    }
    FindLiveRows(t);
    return Pieces.front()->FTable;
}

const char* FieldTypeName(FieldType Type) {
    for (const auto& t : kTypeNames)
        if (t.Type == Type) return t.Name;
    return "unknown";
}

// An allocation that fails while a packet loads is that packet's error; the
// partly built table is gone before the error is raised.
namespace {

// Reads a packet of Size bytes with Feed(builder, as is) into a table; a
// single-byte packet expat refuses in its UTF-8 form is read again as it is.
// Running out of memory is the packet's error, at the line reached.
template <class FeedAll>
std::shared_ptr<const Table> ReadPacket(const std::string& Name, uint64_t Size, FeedAll&& Feed) {
    unsigned long line = 1;
    std::unique_ptr<PacketBuilder> b;
    try {
        for (const bool asIs : {false, true}) {
            b = std::make_unique<PacketBuilder>(Name, static_cast<size_t>(Size));
            if (asIs) b->SingleByteAsIs();
            try {
                Feed(*b, asIs);
                return b->Finish();
            } catch (const PacketError&) {
                if (!b->RefusedAsUtf8()) throw;
            }
        }
    } catch (const std::bad_alloc&) {
        if (b) line = b->Line();
    }
    b.reset();
    throw PacketError(Name, line, kNoMemory);
}

} // namespace

std::shared_ptr<const Table> ParsePacket(std::string_view Bytes, const std::string& Name, size_t ChunkSize) {
    if (Bytes.size() > kMaxPacketBytes) throw PacketError(Name, 1, kPacketTooLarge);
    const size_t chunk = std::clamp<size_t>(ChunkSize, 1, kMaxRead);
    return ReadPacket(Name, Bytes.size(), [&](PacketBuilder& b, bool) {
        size_t at = 0;
        do {
            const size_t n = std::min(b.NextSize(chunk), Bytes.size() - at);
            b.Feed(Bytes.data() + at, n, at + n == Bytes.size());
            at += n;
        } while (at < Bytes.size());
    });
}

namespace {

std::shared_ptr<const Table> ParseWholeFile(const std::string& Path);

// A packet smaller than this parses in one piece: threads would cost more than they save.
constexpr uint64_t kPiecesFrom = uint64_t(8) << 20;
// About the bytes of one piece: small enough that the threads of a packet
// end close together, large enough that cutting and joining stay cheap. A
// piece gives back the unused ends of its blocks as soon as it is parsed.
constexpr uint64_t kPieceBytes = uint64_t(8) << 20;
constexpr size_t kMostPieces = 64;
constexpr std::string_view kRowDataTag = "<ROWDATA>";
// What closes a piece that ends before the packet does.
constexpr std::string_view kPieceEnd = "</ROWDATA></DATAPACKET>";

// Reads up to Len bytes at Offset; false on a read error.
bool ReadAt(std::FILE* File, uint64_t Offset, char* Out, size_t Len, size_t& Got) {
    if (Offset > static_cast<uint64_t>(std::numeric_limits<long>::max()) ||
        std::fseek(File, static_cast<long>(Offset), SEEK_SET) != 0)
        return false;
    Got = std::fread(Out, 1, Len, File);
    return !std::ferror(File);
}

} // namespace

// The pieces: the first is the packet from its start to the first cut; every
// other one is the head (the packet up to and including its "<ROWDATA>" tag)
// followed by the bytes from its cut to the next. A cut is the start of a
// "<ROW " tag, and each piece but the last is closed with "</ROWDATA>
// </DATAPACKET>". A cut that is not between two ROW elements of the ROWDATA
// (inside a comment, a processing instruction, a CDATA section or another
// element) leaves a piece with markup open at its end or a close tag that
// does not match: that piece fails, and the packet is parsed whole. A '<'
// never stands inside an attribute value of a well-formed packet, and the
// head may hold nothing but the XML declaration besides elements, so the
// "<ROWDATA>" found is the element's own tag.
std::shared_ptr<const Table> ParsePacketFileInParts(const std::string& Path, size_t Parts, size_t Threads) {
    if (Parts < 2) return nullptr;
    const platform::RegularFile in = platform::OpenRegularFile(Path);
    if (in.Status != platform::OpenStatus::Opened || in.Size > kMaxPacketBytes ||
        in.Size > static_cast<uint64_t>(std::numeric_limits<long>::max()))
        return nullptr;
    const uint64_t size = in.Size;
    std::string head(static_cast<size_t>(std::min<uint64_t>(size, kChunk)), '\0');
    size_t got = 0;
    if (!ReadAt(in.File.get(), 0, head.data(), head.size(), got)) return nullptr;
    head.resize(got);
    if (DetectUtf16(head) != Utf16::No) return nullptr;
    const size_t rowData = head.find(kRowDataTag);
    if (rowData == std::string::npos) return nullptr;
    head.resize(rowData + kRowDataTag.size());
    const size_t declaration = head.find("<?");
    if (head.find("<!") != std::string::npos ||
        (declaration != std::string::npos &&
         (declaration > 3 || head.find("<?", declaration + 2) != std::string::npos)))
        return nullptr;

    // Each cut is the first "<ROW " from an even share of the rows' bytes on.
    std::vector<uint64_t> cuts{0};
    const uint64_t rowsFrom = head.size();
    std::string window(kChunk, '\0');
    for (size_t k = 1; k < Parts; ++k) {
        const uint64_t at = rowsFrom + (size - rowsFrom) * k / Parts;
        if (!ReadAt(in.File.get(), at, window.data(), window.size(), got)) return nullptr;
        const size_t found = std::string_view(window.data(), got).find("<ROW ");
        if (found == std::string_view::npos || at + found <= cuts.back()) return nullptr;
        cuts.push_back(at + found);
    }
    cuts.push_back(size);

    std::vector<std::unique_ptr<PacketBuilder>> pieces(Parts);
    std::vector<char> failed(Parts, 0); // one flag per piece, each written by its own thread
    const auto parse = [&](size_t k) {
        try {
            const platform::RegularFile file = platform::OpenRegularFile(Path);
            if (file.Status != platform::OpenStatus::Opened) {
                failed[k] = 1;
                return;
            }
            std::FILE* const f = file.File.get();
            std::setvbuf(f, nullptr, _IONBF, 0);
            const bool last = k + 1 == Parts;
            const uint64_t length = cuts[k + 1] - cuts[k];
            // The first piece's table is the packet's: it reserves for all rows.
            auto b = std::make_unique<PacketBuilder>(
                Path, static_cast<size_t>(k == 0 ? size : head.size() + length));
            if (k > 0) b->Feed(head.data(), head.size(), false);
            if (k > 0 && (cuts[k] > static_cast<uint64_t>(std::numeric_limits<long>::max()) ||
                          std::fseek(f, static_cast<long>(cuts[k]), SEEK_SET) != 0)) {
                failed[k] = 1;
                return;
            }
            if (b->FeedFile(f, Path, length, last) != length) {
                failed[k] = 1; // shorter than it was
                return;
            }
            if (!last) b->Feed(kPieceEnd.data(), kPieceEnd.size(), true);
            // Sealed at once: the ends of its blocks go back before the next piece grows.
            b->Seal();
            pieces[k] = std::move(b);
        } catch (const std::exception&) {
            failed[k] = 1; // the packet parsed whole tells what is wrong
        }
    };
    // Each thread takes the next piece not taken: a thread slowed down by
    // other work takes fewer, and all end at about the same time.
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t k = next++; k < Parts; k = next++) parse(k);
    };
    std::vector<std::thread> threads;
    for (size_t t = 1; t < std::min(Threads, Parts); ++t) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads: this one takes more pieces
        }
    }
    work();
    for (std::thread& t : threads) t.join();
    if (std::find(failed.begin(), failed.end(), 1) != failed.end()) return nullptr;
    try {
        return PacketBuilder::Join(pieces);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::shared_ptr<const Table> ParsePacketFile(const std::string& Path) {
    // A large packet is parsed in pieces, on as many threads as there are
    // cores (up to four), when it can be cut. Two large packets parsed at
    // once share the cores, each thread taking the next piece of its packet.
    std::error_code ec;
    const uint64_t bytes = std::filesystem::file_size(platform::FsPath(Path), ec);
    if (!ec && bytes >= kPiecesFrom) {
        const size_t cores = std::min<size_t>(std::thread::hardware_concurrency(), 4);
        // A whole number of pieces a core, so that no core is left with the last one alone.
        const size_t perCore =
            std::max<size_t>(1, static_cast<size_t>((bytes / kPieceBytes + cores - 1) / cores));
        const size_t parts = std::min(perCore * cores, kMostPieces);
        if (cores >= 2)
            if (auto table = ParsePacketFileInParts(Path, parts, cores)) return table;
        return ParseWholeFile(Path);
    }
    return ParseWholeFile(Path);
}

namespace {

std::shared_ptr<const Table> ParseWholeFile(const std::string& Path) {
    // A FIFO or a device in the packet's place is refused, never waited on.
    const platform::RegularFile in = platform::OpenRegularFile(Path);
    if (in.Status != platform::OpenStatus::Opened) {
        // The error number is the reason the user reads.
        const int Reason = in.Status == platform::OpenStatus::Missing      ? ENOENT
                           : in.Status == platform::OpenStatus::NotRegular ? EINVAL
                           : errno != 0                                    ? errno
                                                                           : EIO;
        throw EVxError("Cannot open file " + PathText(Path), Reason);
    }
    if (in.Size > kMaxPacketBytes) throw PacketError(Path, 1, kPacketTooLarge);
    std::FILE* const f = in.File.get();
    std::setvbuf(f, nullptr, _IONBF, 0);
    return ReadPacket(Path, in.Size, [&](PacketBuilder& b, bool AsIs) {
        if (AsIs && std::fseek(f, 0, SEEK_SET) != 0)
            throw EVxError("Cannot open file " + PathText(Path), EIO);
        b.FeedFile(f, Path);
    });
}

} // namespace

} // namespace dataset
