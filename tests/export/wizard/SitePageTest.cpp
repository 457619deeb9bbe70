// The site page through its real widgets: one tick per code before Next,
// the ticks kept across Back, and the choice reaching the school file.

#include "tests/export/wizard/WizardFormFixture.h"

#include <QListWidget>

using namespace wizardtest;

namespace {

TEST(SitePage, NextNeedsExactlyOneTickPerCode) {
    WizardForm F("aie", "2", &TwoSitesOfOneCode);
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    ASSERT_EQ(F.Page(), 0);
    ASSERT_EQ(Sites->count(), 3);
    EXPECT_EQ(Sites->item(1)->text(), "RMIC81500A - Sede staccata - Via Milano 2");

    struct Case {
        const char* Name;
        std::vector<int> Ticked;
        bool Accepted;
        std::string Fault; // the end of the message: the code and its ticks
    };
    const Case Cases[] = {
        {"none ticked", {}, false, "per il codice RMIC81500A nessuna \xE8 selezionata."},
        {"single-description code unticked",
         {1},
         false,
         "per il codice RMEE81501B nessuna \xE8 selezionata."},
        {"two ticks under one code", {0, 1, 2}, false, "per il codice RMIC81500A ne sono selezionate 2."},
        {"one per code", {1, 2}, true, ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Unchecked);
        for (int I : C.Ticked) Sites->item(I)->setCheckState(Qt::Checked);
        F.Boxes.Boxes.clear();
        F.Next();
        EXPECT_EQ(F.Page(), C.Accepted ? 1 : 0);
        if (C.Accepted) {
            EXPECT_TRUE(F.Boxes.Boxes.empty());
        } else {
            ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
            EXPECT_EQ(F.Boxes.Boxes[0].Text, SiteMessage + C.Fault);
            EXPECT_EQ(F.Boxes.Boxes[0].Caption, "Errore");
        }
    }

    F.Next(); // registry
    ASSERT_EQ(F.Page(), 2);
    EXPECT_EQ(F.Dm.cdsMain.RecordCount(), 2);
    F.Next(); // export
    ASSERT_EQ(F.Page(), 3);
    ASSERT_TRUE(F.Form->RunFinished());
    EXPECT_FALSE(F.Form->RunStopped());
    const std::vector<SchoolRecord> Expected = {{"RMIC81500A", std::string(10, ' '), "Sede staccata"},
                                                {"RMEE81501B", std::string(10, ' '), "Primaria Pascoli"}};
    EXPECT_EQ(SchoolRecords(F.Output("File014.txt")), Expected);
}

TEST(SitePage, TicksSurviveBackAndTheChoiceAppliesOnce) {
    WizardForm F("aie", "2", &TwoSitesOfOneCode);
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    Sites->item(0)->setCheckState(Qt::Checked);
    Sites->item(2)->setCheckState(Qt::Checked);
    F.Next();
    F.Next();
    ASSERT_EQ(F.Page(), 2);
    F.Back();
    F.Back();
    ASSERT_EQ(F.Page(), 0);
    EXPECT_EQ(Sites->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(Sites->item(1)->checkState(), Qt::Unchecked);
    F.Next();
    F.Next();
    ASSERT_EQ(F.Page(), 2);
    // A fresh load each time: the unticked site is removed once, not twice.
    EXPECT_EQ(F.Dm.cdsMain.RecordCount(), 2);
    F.Next();
    const std::vector<SchoolRecord> Expected = {{"RMIC81500A", std::string(10, ' '), "Sede centrale"},
                                                {"RMEE81501B", std::string(10, ' '), "Primaria Pascoli"}};
    EXPECT_EQ(SchoolRecords(F.Output("File014.txt")), Expected);
}

TEST(SitePage, EveryLineHasItsWholeTextAsTooltip) {
    WizardForm F("aie", "2", &TwoSitesOfOneCode);
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    for (int I = 0; I < Sites->count(); ++I) EXPECT_EQ(Sites->item(I)->toolTip(), Sites->item(I)->text());
}

} // namespace
