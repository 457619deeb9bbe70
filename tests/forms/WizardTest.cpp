// The wizard driven through its real buttons, offscreen.

#include "forms/VxFWizard.h"
#include "support/VxExceptions.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/OwnedForm.h"
#include "tests/common/RecordingPresenter.h"

#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A wizard that logs its notifications and can refuse or fail a page change.
class TTestWizard : public TfmVxWizard {
public:
    explicit TTestWizard(int Pages) {
        for (int I = 0; I < Pages; ++I) AddPage(QString("ts%1").arg(I));
    }
    int Step() const { return Paths().Step(); }
    const std::string& PathName() const { return Paths().PathName(); }

    std::vector<std::string> Log;
    std::vector<int> Shown;
    int UpdateCount = 0;
    bool Refuse = false;
    bool FailChanging = false;
    int FailShowOf = -1;

    void UpdateButtons() override {
        ++UpdateCount;
        TfmVxWizard::UpdateButtons();
    }

protected:
    void pcMainChanging(bool& AllowChange) override {
        Log.push_back("changing");
        if (FailChanging) throw EVxError("Pagina incompleta");
        if (Refuse) AllowChange = false;
    }
    void PageShow(int Index) override {
        Log.push_back("show " + std::to_string(Index));
        Shown.push_back(Index);
        if (Index == FailShowOf) throw EVxError("Cannot open file Body014.xml");
    }
    void pcMainChange() override { Log.push_back("change"); }
};

using testsupport::Owned;

struct ButtonState {
    bool Ok, Next, Prior;
};

void ExpectButtons(const TfmVxWizard& W, ButtonState S) {
    EXPECT_EQ(W.buOk->isEnabled(), S.Ok) << "Fine";
    EXPECT_EQ(W.buNext->isEnabled(), S.Next) << "Avanti";
    EXPECT_EQ(W.buPrior->isEnabled(), S.Prior) << "Indietro";
}

void ShowAndWait(QWidget* W) {
    W->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(W));
}

enum class Click { None, Next, Prior };

void Press(TfmVxWizard& W, Click C) {
    if (C == Click::Next) QTest::mouseClick(W.buNext, Qt::LeftButton);
    if (C == Click::Prior) QTest::mouseClick(W.buPrior, Qt::LeftButton);
}

struct WalkRow {
    const char* Name;
    Click Action;
    int Page;
    int Step;
    ButtonState Buttons;
};

} // namespace

TEST(Wizard, WalksPathThroughButtons) {
    RecordingPresenter Boxes;
    Owned W(new TTestWizard(4));
    W->Paths().AddPath("Tracciato1", "1;2;3");
    W->Paths().AddPath("Tracciato2", "0;1;2;3");
    W->Create();
    W->SetPath("tracciato1");
    EXPECT_EQ(W->PathName(), "TRACCIATO1");
    EXPECT_EQ(W->Log, (std::vector<std::string>{"changing", "show 1", "change"}));
    ShowAndWait(W.Ptr);

    const WalkRow Rows[] = {
        {"first step", Click::None, 1, 0, {false, true, false}},
        {"back disabled on first step", Click::Prior, 1, 0, {false, true, false}},
        {"next to 2", Click::Next, 2, 1, {false, true, true}},
        {"next to 3", Click::Next, 3, 2, {true, false, true}},
        {"next disabled on last step", Click::Next, 3, 2, {true, false, true}},
        {"back to 2", Click::Prior, 2, 1, {false, true, true}},
        {"back to 1", Click::Prior, 1, 0, {false, true, false}},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        const size_t ShownBefore = W->Shown.size();
        const int PageBefore = W->ActivePageIndex();
        Press(*W, Row.Action);
        EXPECT_EQ(W->ActivePageIndex(), Row.Page);
        EXPECT_EQ(W->pcMain->currentIndex(), Row.Page);
        EXPECT_EQ(W->Step(), Row.Step);
        ExpectButtons(*W, Row.Buttons);
        // The page's show handler runs exactly when the page changes.
        EXPECT_EQ(W->Shown.size(), ShownBefore + (Row.Page != PageBefore ? 1 : 0));
        if (Row.Page != PageBefore) {
            EXPECT_EQ(W->Shown.back(), Row.Page);
        }
    }
    EXPECT_TRUE(W->buCancel->isEnabled());
    EXPECT_TRUE(Boxes.Boxes.empty());

    // The same path again, in another case, does not go back to the first step.
    QTest::mouseClick(W->buNext, Qt::LeftButton);
    ASSERT_EQ(W->Step(), 1);
    const size_t ShownBefore = W->Shown.size();
    W->SetPath("TRACCIATO1");
    EXPECT_EQ(W->Step(), 1);
    EXPECT_EQ(W->ActivePageIndex(), 2);
    EXPECT_EQ(W->Shown.size(), ShownBefore);

    // Another path starts from its own first step.
    W->SetPath("Tracciato2");
    EXPECT_EQ(W->Step(), 0);
    EXPECT_EQ(W->ActivePageIndex(), 0);
    EXPECT_EQ(W->Shown.back(), 0);
}

TEST(Wizard, WalksPagesInOrderWithoutPath) {
    Owned W(new TTestWizard(3));
    W->Create();
    // The first show makes page 0 active through GoToPage, so its show handler runs.
    ShowAndWait(W.Ptr);
    EXPECT_EQ(W->Shown, std::vector<int>{0});

    const WalkRow Rows[] = {
        {"first page", Click::None, 0, 0, {false, true, false}},
        {"next to 1", Click::Next, 1, 0, {false, true, true}},
        {"next to 2", Click::Next, 2, 0, {true, false, true}},
        {"back to 1", Click::Prior, 1, 0, {false, true, true}},
        {"back to 0", Click::Prior, 0, 0, {false, true, false}},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Name);
        Press(*W, Row.Action);
        EXPECT_EQ(W->ActivePageIndex(), Row.Page);
        EXPECT_EQ(W->Shown.back(), Row.Page);
        ExpectButtons(*W, Row.Buttons);
    }
    EXPECT_EQ(W->Shown, (std::vector<int>{0, 1, 2, 1, 0}));
}

TEST(Wizard, WithoutPagesDisablesAllButCancel) {
    Owned W(new TTestWizard(0));
    W->Create();
    ShowAndWait(W.Ptr);
    ExpectButtons(*W, {false, false, false});
    EXPECT_TRUE(W->buCancel->isEnabled());
    EXPECT_TRUE(W->Shown.empty());
}

TEST(Wizard, RefusedChangeKeepsPageAndStepButRefreshesButtons) {
    Owned W(new TTestWizard(4));
    W->Paths().AddPath("Tracciato1", "1;2;3");
    W->Create();
    W->SetPath("Tracciato1");
    ShowAndWait(W.Ptr);
    QTest::mouseClick(W->buNext, Qt::LeftButton);
    ASSERT_EQ(W->ActivePageIndex(), 2);

    W->Refuse = true;
    W->Log.clear();
    const int Updates = W->UpdateCount;
    QTest::mouseClick(W->buNext, Qt::LeftButton);
    EXPECT_EQ(W->ActivePageIndex(), 2);
    EXPECT_EQ(W->Step(), 1);
    EXPECT_EQ(W->Log, std::vector<std::string>{"changing"});
    EXPECT_EQ(W->UpdateCount, Updates + 1);
    ExpectButtons(*W, {false, true, true});
}

TEST(Wizard, ErrorFromChangingPropagatesAndKeepsPage) {
    RecordingPresenter Boxes;
    Owned W(new TTestWizard(4));
    W->Create();
    ShowAndWait(W.Ptr);
    W->FailChanging = true;
    EXPECT_THROW_MSG(W->GoToPage(2), EVxError, "Pagina incompleta");
    EXPECT_EQ(W->ActivePageIndex(), 0);
    EXPECT_EQ(W->pcMain->currentIndex(), 0);

    // Through the button the error reaches the application's error box.
    QTest::mouseClick(W->buNext, Qt::LeftButton);
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Text, "Pagina incompleta.");
    EXPECT_EQ(W->ActivePageIndex(), 0);
}

TEST(Wizard, FailedShowHandlerLeavesPageStepAndButtonsTogether) {
    RecordingPresenter Boxes;
    Owned W(new TTestWizard(4));
    W->Paths().AddPath("Tracciato1", "1;2;3");
    W->Create();
    W->SetPath("Tracciato1");
    ShowAndWait(W.Ptr);
    W->FailShowOf = 2;
    QTest::mouseClick(W->buNext, Qt::LeftButton);
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Text.rfind("Impossibile aprire il file Body014.xml.\r\n", 0), 0u)
        << Boxes.Boxes[0].Text;
    // The page is shown without its data; the step and the buttons follow it.
    EXPECT_EQ(W->ActivePageIndex(), 2);
    EXPECT_EQ(W->Step(), 1);
    ExpectButtons(*W, {false, true, true});
    QTest::mouseClick(W->buNext, Qt::LeftButton);
    EXPECT_EQ(W->ActivePageIndex(), 3);
    EXPECT_EQ(W->Step(), 2);
}

TEST(Wizard, UnknownPathIsRefusedWithItsName) {
    Owned W(new TTestWizard(4));
    W->Paths().AddPath("Tracciato1", "1;2;3");
    W->Paths().AddPath("Vuoto", "  ");
    W->Create();
    W->SetPath("Tracciato1");

    for (const char* Name : {"Tracciato9", "Vuoto"}) {
        SCOPED_TRACE(Name);
        EXPECT_THROW_MSG(W->SetPath(Name), EVxInternalError,
                         std::string("Wizard: Il percorso specificato (") + Name + ") non esiste");
        // The current path stays usable.
        EXPECT_EQ(W->PathName(), "TRACCIATO1");
        EXPECT_EQ(W->ActivePageIndex(), 1);
        EXPECT_EQ(W->Step(), 0);
    }
    QTest::mouseClick(W->buNext, Qt::LeftButton);
    EXPECT_EQ(W->ActivePageIndex(), 2);
}

TEST(Wizard, BadStepFailsWhenUsedAndKeepsPage) {
    struct Row {
        const char* Name;
        const char* Steps;
        const char* Box;
    } const Rows[] = {
        {"not an integer", "1;x;3", "'x' is not a valid integer value."},
        {"trailing blank", "1;2 ;3", "'2 ' is not a valid integer value."},
        {"two signs", "1;+-2;3", "'+-2' is not a valid integer value."},
        {"missing page", "1;7", "Wizard: La pagina specificata (7) non esiste."},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        RecordingPresenter Boxes;
        Owned W(new TTestWizard(4));
        W->Paths().AddPath("P", R.Steps);
        W->Create();
        W->SetPath("P");
        ShowAndWait(W.Ptr);
        QTest::mouseClick(W->buNext, Qt::LeftButton);
        ASSERT_EQ(Boxes.Boxes.size(), 1u);
        EXPECT_EQ(Boxes.Boxes[0].Text, R.Box);
        EXPECT_EQ(W->ActivePageIndex(), 1);
        EXPECT_EQ(W->Step(), 0);
    }
}

TEST(Wizard, TabClickGoesThroughChangingWithoutPath) {
    Owned W(new TTestWizard(3));
    W->Create();
    ShowAndWait(W.Ptr);
    W->Refuse = true;
    const QRect Tab = W->pcMain->tabBar()->tabRect(2);
    QTest::mouseClick(W->pcMain->tabBar(), Qt::LeftButton, {}, Tab.center());
    EXPECT_EQ(W->pcMain->currentIndex(), 0);
    W->Refuse = false;
    QTest::mouseClick(W->pcMain->tabBar(), Qt::LeftButton, {}, Tab.center());
    EXPECT_EQ(W->pcMain->currentIndex(), 2);
    EXPECT_EQ(W->ActivePageIndex(), 2);
    ExpectButtons(*W, {true, false, true});
}
