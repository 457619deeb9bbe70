// The earlier edition's written set is checked against its own layouts
// before delivery: a clean set is delivered, a faulty one stops the run.

#include "FakeZip.h"
#include "TestSupport.h"

#include "dataset/ClientDataSet.h"
#include "export-classic/ClassicRecordSet.h"
#include "export/ExportRun.h"
#include "export/StartupValues.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace txad;

namespace {

// Passes every line on but the n-th (1-based), which gets Insert at Column
// after Erase bytes there are removed.
class EditingSink : public ByteSink {
public:
    EditingSink(ByteSink& Inner, int Line, std::size_t Column, std::size_t Erase, std::string Insert)
        : FInner(Inner), FLine(Line), FColumn(Column), FErase(Erase), FInsert(std::move(Insert)) {}
    void Write(std::string_view Bytes) override {
        if (++FWrites != FLine) return FInner.Write(Bytes);
        std::string Edited(Bytes);
        Edited.replace(FColumn - 1, FErase, FInsert);
        FInner.Write(Edited);
    }

private:
    ByteSink& FInner;
    int FLine;
    std::size_t FColumn, FErase;
    std::string FInsert;
    int FWrites = 0;
};

struct Edit {
    int file = -1; // index; -1 for none
    int line = 0;
    std::size_t column = 0, erase = 0;
    std::string insert;
};

class EditingWriter : public BodyWriter {
public:
    EditingWriter(std::unique_ptr<BodyWriter> Inner, Edit E)
        : BodyWriter(Inner->RecordCode(), BodyLayout(Edition::Classic, Inner->RecordCode())),
          FInner(std::move(Inner)), FEdit(std::move(E)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override {
        EditingSink Editing(Sink, FEdit.line, FEdit.column, FEdit.erase, FEdit.insert);
        FInner->Write(Data, Editing);
    }

private:
    std::unique_ptr<BodyWriter> FInner;
    Edit FEdit;
};

class FaultyClassicSet : public ClassicRecordSet {
public:
    FaultyClassicSet(std::string Target, Edit E) : ClassicRecordSet(std::move(Target)), FEdit(std::move(E)) {}
    std::unique_ptr<BodyWriter> MakeBodyWriter(int Index) const override {
        std::unique_ptr<BodyWriter> Writer = ClassicRecordSet::MakeBodyWriter(Index);
        if (Index != FEdit.file) return Writer;
        return std::make_unique<EditingWriter>(std::move(Writer), FEdit);
    }

private:
    Edit FEdit;
};

} // namespace

TEST(ClassicSetCheck, CleanSetsAreDeliveredFaultyOnesStop) {
    struct Row {
        const char* name;
        const char* target;
        Edit edit;
        const char* cause; // empty: the set is delivered
    } rows[] = {
        {"clean AIE set of five files", "aie", {}, ""},
        {"clean ANARPE set", "anarpe", {}, ""},
        {"dropped digit in a statistics record",
         "aie",
         {2, 1, 24, 1, ""},
         "Il file File698.txt non rispetta il tracciato: riga 2, colonna 22, campo Classi anno 1: vuoto"},
        {"shifted flags before the unpadded ISBN",
         "anarpe",
         {3, 1, 43, 0, "X"},
         "Il file Adoz004.txt non rispetta il tracciato: riga 2, colonna 45, campo Riempimento: atteso solo "
         "spazi"},
    };
    int Case = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const fs::path Root =
            fs::path(testsupport::SandboxDir()) / ("classic-check-" + std::to_string(Case++));
        fs::remove_all(Root);
        fs::create_directories(Root / "data");
        for (const auto& Entry : fs::directory_iterator(fs::path(ADOX_CLASSIC_FIXTURES) / "basic"))
            fs::copy_file(Entry.path(), Root / "data" / Entry.path().filename());
        const std::string Data = (Root / "data").string() + "/";
        const std::string Dest = (Root / "dest").string() + "/";

        FaultyClassicSet Set(r.target, r.edit);
        TClientDataSet Main("cdsMain");
        ExportSettings S;
        S.DataDir = Data;
        S.DestDir = Dest;
        S.Target = r.target;
        S.BodyFiles = Set.BodyFiles();
        S.OutFiles = Set.OutFiles();
        S.SchoolCount = CountSchools(Main, Data + "Body014.xml");
        S.ParamFileDate = "01092021";
        S.RunDate = {2021, 10, 15};

        std::vector<std::string> Log;
        testsupport::FakeZip Zip;
        ExportRun Run(
            Set, S, Main, [&Log](const std::string& Text) { Log.push_back(Text); }, &Zip);
        const bool Stopped = Run.Execute();
        EXPECT_EQ(Stopped, *r.cause != '\0');
        if (Stopped) {
            EXPECT_EQ(Log.back(), StopText(r.cause));
            EXPECT_TRUE(Zip.Calls.empty());
            EXPECT_FALSE(fs::exists(Dest) && !fs::is_empty(Dest));
        } else if (std::string(r.target) == "aie") {
            EXPECT_TRUE(fs::is_regular_file(Dest + "File815E.txt"));
        } else {
            EXPECT_EQ(Zip.Calls.size(), 3u);
        }
    }
}
