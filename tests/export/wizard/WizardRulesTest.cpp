// The wizard's rules without a window: the site choice, the former code,
// the export form's buttons and the settings a run starts from.

#include "export/wizard/WizardRules.h"
#include "tests/common/TestPacket.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

using namespace txad;

namespace {

// A registry packet with one row per code, in this order.
std::string RegistryPacket(const std::vector<std::string>& Codes) {
    std::vector<std::string> Rows;
    for (const std::string& Code : Codes) Rows.push_back(testsupport::Row({"CodScuola"}, {Code}));
    return testsupport::Packet({"CodScuola:string:10"}, Rows);
}

std::vector<std::string> Codes(TClientDataSet& Data) {
    std::vector<std::string> Result;
    const TField Code = Data.FieldByName("CodScuola");
    for (Data.First(); !Data.Eof(); Data.Next()) Result.push_back(Code.AsString());
    return Result;
}

} // namespace

TEST(SiteChoice, EveryCodeNeedsExactlyOneTick) {
    const std::vector<std::string> Sites = {
        "RMIC81500A - Sede centrale - Via Roma 1",
        "RMIC81500A - Sede staccata - Via Milano 2",
        "RMEE81501B - Primaria Pascoli - Via Po 3",
    };
    const struct Case {
        const char* Name;
        std::vector<std::string> Sites;
        std::vector<bool> Ticked;
        std::optional<std::size_t> Bad;
    } Cases[] = {
        {"one tick per code", Sites, {false, true, true}, std::nullopt},
        {"no tick in the first group", Sites, {false, false, true}, 0},
        {"two ticks in one group", Sites, {true, true, true}, 0},
        {"no tick in the last group", Sites, {true, false, false}, 2},
        {"ticks missing at the end count as none", Sites, {true}, 2},
        {"no sites", {}, {}, std::nullopt},
        // Only the code decides the group, not the rest of the text.
        {"same code, other description", {"RMIC81500A - A", "RMIC81500A - B"}, {true, false}, std::nullopt},
        // Groups are runs: a code seen again further down starts a new group.
        {"code again after another",
         {"RMIC81500A - A", "RMEE81501B - B", "RMIC81500A - C"},
         {true, true, false},
         2},
        {"text shorter than a code", {"RM", "RM"}, {false, true}, std::nullopt},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(FirstBadSiteGroup(C.Sites, C.Ticked), C.Bad);
    }
}

// The message names the code at fault and what is wrong with its ticks.
TEST(SiteChoice, TheMessageNamesTheCodeAndItsTicks) {
    const std::vector<std::string> Sites = {
        "RMIC81500A - Sede centrale - Via Roma 1",
        "RMIC81500A - Sede staccata - Via Milano 2",
        "RMEE81501B - Primaria Pascoli - Via Po 3",
    };
    const std::string Rule =
        "Per ogni codice meccanografico dev'essere selezionata\r\nuna e una sola descrizione: ";
    const struct Case {
        const char* Name;
        std::vector<bool> Ticked;
        std::size_t First;
        std::string Message;
    } Cases[] = {
        {"none ticked", {false, false, true}, 0, Rule + "per il codice RMIC81500A nessuna \xE8 selezionata."},
        {"two ticked", {true, true, true}, 0, Rule + "per il codice RMIC81500A ne sono selezionate 2."},
        {"the last group",
         {true, false, false},
         2,
         Rule + "per il codice RMEE81501B nessuna \xE8 selezionata."},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(SiteGroupError(Sites, C.Ticked, C.First), C.Message);
    }
}

TEST(SiteChoice, UntickedRowsGoAndTheRestKeepTheirPacketRows) {
    const struct Case {
        const char* Name;
        std::vector<bool> Ticked;
        std::vector<std::string> Kept;
        std::vector<int> PacketRows;
    } Cases[] = {
        {"all ticked", {true, true, true, true}, {"A1", "A2", "B1", "C1"}, {0, 1, 2, 3}},
        {"first and third go", {false, true, false, true}, {"A2", "C1"}, {1, 3}},
        {"rows beyond the list stay", {true, false}, {"A1", "B1", "C1"}, {0, 2, 3}},
        {"none ticked", {false, false, false, false}, {}, {}},
        {"more ticks than rows", {true, false, true, true, true}, {"A1", "B1", "C1"}, {0, 2, 3}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TClientDataSet Main("cdsMain");
        Main.LoadFromBuffer(RegistryPacket({"A1", "A2", "B1", "C1"}), "Body014.xml");
        EXPECT_EQ(ApplySiteChoice(Main, C.Ticked), C.PacketRows);
        EXPECT_EQ(Main.RecNo(), C.Kept.empty() ? -1 : 0);
        EXPECT_EQ(Codes(Main), C.Kept);
    }
}

TEST(FormerCode, EmptyMeansNoneAndOtherwiseTenCharacters) {
    const std::string Rule = "Ex codice: il codice meccanografico dev'essere composto da 10 caratteri; ne ";
    const struct Case {
        const char* Typed;
        bool Accepted;
        const char* Stored;
        std::string Error;
    } Cases[] = {
        {"", true, ".", ""},
        {"RMIC81500A", true, "RMIC81500A", ""},
        // Blanks around a whole code are not counted, and the code is kept as typed.
        {" RMIC81500A ", true, " RMIC81500A ", ""},
        {"RMIC8150", false, "", Rule + "sono stati digitati 8."},
        {"RMIC81500AB", false, "", Rule + "sono stati digitati 11."},
        {"          ", false, "", Rule + "sono stati digitati 0."},
        {".", false, "", Rule + "\xE8 stato digitato 1."},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string("'") + C.Typed + "'");
        const FormerCodeEntry Entry = CheckFormerCode(C.Typed);
        EXPECT_EQ(Entry.Accepted, C.Accepted);
        EXPECT_EQ(Entry.Stored, C.Stored);
        EXPECT_EQ(Entry.Error, C.Error);
    }
}

// Rows are positions the wizard can reach, in both editions: the current
// one walks 3 steps on path "1" and 4 on path "2" or without a path, the
// earlier one 2 and 3. The export page is always the last step.
TEST(ExportFormButtons, FollowRouteAndStartup) {
    using enum StartupOutcome;
    const struct Case {
        const char* Name;
        RoutePosition At;
        StartupOutcome Outcome;
        WizardButtons Expected;
    } Cases[] = {
        {"site page, path 2",
         {.Step = 0, .StepCount = 4, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = true, .Prior = false}},
        {"anomaly page, path 2",
         {.Step = 1, .StepCount = 4, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = true, .Prior = true}},
        {"registry page, path 2",
         {.Step = 2, .StepCount = 4, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = true, .Prior = true}},
        {"export page, path 2",
         {.Step = 3, .StepCount = 4, .BackAlong = true},
         Complete,
         {.Ok = true, .Next = false, .Prior = false}},
        {"export page after a run that stopped",
         {.Step = 3, .StepCount = 4, .BackAlong = true, .RunStopped = true},
         Complete,
         {.Ok = true, .Next = false, .Prior = true}},
        {"export page after a stop, without a path",
         {.Step = 3, .StepCount = 4, .BackAlong = false, .RunStopped = true},
         Complete,
         {.Ok = true, .Next = false, .Prior = false}},
        {"anomaly page, path 1",
         {.Step = 0, .StepCount = 3, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = true, .Prior = false}},
        {"registry page, path 1",
         {.Step = 1, .StepCount = 3, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = true, .Prior = true}},
        // Without a path every page is walked and Back is never offered.
        {"registry page, no path",
         {.Step = 2, .StepCount = 4},
         Complete,
         {.Ok = false, .Next = true, .Prior = false}},
        {"export page, no path",
         {.Step = 3, .StepCount = 4},
         Complete,
         {.Ok = true, .Next = false, .Prior = false}},
        {"earlier edition, registry page, path 1",
         {.Step = 0, .StepCount = 2, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = true, .Prior = false}},
        {"earlier edition, registry page, path 2",
         {.Step = 1, .StepCount = 3, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = true, .Prior = true}},
        {"earlier edition, export page, path 2",
         {.Step = 2, .StepCount = 3, .BackAlong = true},
         Complete,
         {.Ok = true, .Next = false, .Prior = false}},
        // A header date missing: the pages before the export stay open.
        {"pages only, anomalies before the registry",
         {.Step = 1, .StepCount = 4, .BackAlong = true},
         PagesOnly,
         {.Ok = false, .Next = true, .Prior = true}},
        {"pages only, export next",
         {.Step = 2, .StepCount = 4, .BackAlong = true},
         PagesOnly,
         {.Ok = false, .Next = false, .Prior = true}},
        {"pages only, earlier edition, export next",
         {.Step = 0, .StepCount = 2, .BackAlong = true},
         PagesOnly,
         {.Ok = false, .Next = false, .Prior = false}},
        {"failed start-up, first page of path 1",
         {.Step = 0, .StepCount = 3, .BackAlong = true},
         Failed,
         {.Ok = false, .Next = false, .Prior = false}},
        {"failed start-up, no path",
         {.Step = 0, .StepCount = 4},
         Failed,
         {.Ok = false, .Next = false, .Prior = false}},
        {"no page shown yet",
         {.Step = -1, .StepCount = 4, .BackAlong = true},
         Complete,
         {.Ok = false, .Next = false, .Prior = false}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const WizardButtons B = ExportFormButtons(C.At, C.Outcome);
        EXPECT_EQ(B.Ok, C.Expected.Ok);
        EXPECT_EQ(B.Next, C.Expected.Next);
        EXPECT_EQ(B.Prior, C.Expected.Prior);
    }
}

TEST(ExportSettingsFromStartup, TheRunDateComesFromTheClock) {
    StartupState Startup;
    // A run started just before midnight carries that day.
    const ExportSettings S = MakeExportSettings(Startup, "PROT-12", {2026, 12, 31, 23, 59, 59, 999});
    EXPECT_EQ(S.Header.RunDate, "31122026");
    EXPECT_EQ(S.Header.ProtocolNumber, "PROT-12");
}
