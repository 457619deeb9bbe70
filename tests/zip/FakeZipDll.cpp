#include "tests/zip/FakeZipDll.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

FakeScript g_script;
FakeCapture g_capture;

constexpr unsigned char GuardByte = 0xAB;

// The callback record with room behind it, to see writes past its text field.
struct GuardedRecord {
    ZipCallbackRecord Rec;
    unsigned char Guard[64];
};

} // namespace

extern "C" FakeScript* FakeZipScript() {
    return &g_script;
}
extern "C" FakeCapture* FakeZipCapture() {
    return &g_capture;
}

extern "C" int32_t GetZipDllVersion() {
    const char* V = std::getenv("ADOX_FAKE_ZIPDLL_VERSION");
    return V ? std::atoi(V) : 160;
}

extern "C" int32_t ZipDllExec(ZipParamsRecord* P) {
    FakeCapture& C = g_capture;
    C = FakeCapture{};
    C.Calls = 1;
    C.Params = *P;
    auto Str = [](const char* S) { return S ? std::string(S) : std::string(); };
    C.ArchiveName = Str(P->ArchiveName);
    C.TempDir = Str(P->TempDir);
    C.HasComment = P->Comment != nullptr;
    C.Comment = Str(P->Comment);
    C.HasPassword = P->Password != nullptr;
    C.Password = Str(P->Password);
    for (int32_t I = 0; I < P->FileEntryCount; ++I) {
        C.SpecRecords.push_back(P->FileEntries[I]);
        C.FileEntries.push_back(Str(P->FileEntries[I].FileName));
        C.SpecRoots.push_back(Str(P->FileEntries[I].RootDir));
        C.SpecPasswords.push_back(Str(P->FileEntries[I].Password));
    }
    if (!g_script.AppendToArchive.empty()) {
        std::ofstream Out(C.ArchiveName, std::ios::binary | std::ios::app);
        Out << g_script.AppendToArchive;
    }
    for (const FakeStep& S : g_script.Steps) {
        GuardedRecord G;
        std::memset(&G, GuardByte, sizeof G);
        std::memset(&G.Rec, 0, offsetof(ZipCallbackRecord, Text));
        G.Rec.Caller = P->Caller;
        G.Rec.Kind = S.Kind;
        G.Rec.AnswerFlag = S.AnswerFlag;
        G.Rec.Number = S.Number;
        const size_t Len = std::min(S.Text.size(), sizeof G.Rec.Text);
        std::memcpy(G.Rec.Text, S.Text.data(), Len);
        if (Len < sizeof G.Rec.Text) G.Rec.Text[Len] = '\0';
        FakeOutcome O;
        O.Returned = P->Callback(&G.Rec);
        O.AnswerFlag = G.Rec.AnswerFlag;
        O.Number = G.Rec.Number;
        const size_t N = strnlen(G.Rec.Text, sizeof G.Rec.Text);
        O.Text.assign(G.Rec.Text, N);
        O.TextTerminated = N < sizeof G.Rec.Text;
        const auto* Tail = reinterpret_cast<const unsigned char*>(&G) + offsetof(ZipCallbackRecord, Text) +
                           sizeof G.Rec.Text;
        const auto* End = reinterpret_cast<const unsigned char*>(&G) + sizeof G;
        O.GuardIntact = std::all_of(Tail, End, [](unsigned char B) { return B == GuardByte; });
        C.Outcomes.push_back(O);
    }
    return g_script.Result;
}
