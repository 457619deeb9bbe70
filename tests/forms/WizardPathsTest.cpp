// The wizard's navigator without a window: paths, steps, moves and buttons.

#include "ExpectThrow.h"
#include "forms/VxWizardPaths.h"
#include "support/VxExceptions.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

// Found by argument-dependent lookup, so beside the type's namespace.
static std::ostream& operator<<(std::ostream& Out, const WizardButtons& B) {
    return Out << "{Ok " << B.Ok << ", Next " << B.Next << ", Prior " << B.Prior << "}";
}

namespace {

TVxWizardPaths TwoPaths() {
    TVxWizardPaths Paths;
    Paths.AddPath(" Tracciato1 ", " 1;2;3 ");
    Paths.AddPath("Tracciato2", "0;1;2;3");
    return Paths;
}

// Moves Delta steps the way the wizard does when the page change succeeds.
void Go(TVxWizardPaths& Paths, int Delta, int& Page) {
    const std::optional<WizardMove> Move = Paths.Move(Delta, Page);
    ASSERT_TRUE(Move);
    Page = Move->Page;
    Paths.Arrived(*Move);
}

} // namespace

TEST(WizardPaths, WalksAPathAndEnablesTheButtonsByStep) {
    struct Stop {
        int Page;
        int Step;
        WizardButtons Buttons;
        int NextPage;
    };
    const struct Case {
        const char* Path;
        std::vector<Stop> Stops;
    } Cases[] = {
        {"tracciato1",
         {{1, 0, {false, true, false}, 2}, {2, 1, {false, true, true}, 3}, {3, 2, {true, false, true}, -1}}},
        {"TRACCIATO2",
         {{0, 0, {false, true, false}, 1},
          {1, 1, {false, true, true}, 2},
          {2, 2, {false, true, true}, 3},
          {3, 3, {true, false, true}, -1}}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Path);
        TVxWizardPaths Paths = TwoPaths();
        ASSERT_TRUE(Paths.SetPath(C.Path));
        int Page = Paths.StepPage(0);
        for (std::size_t I = 0; I < C.Stops.size(); ++I) {
            SCOPED_TRACE(I);
            if (I > 0) Go(Paths, +1, Page);
            EXPECT_EQ(Page, C.Stops[I].Page);
            EXPECT_EQ(Paths.Step(), C.Stops[I].Step);
            EXPECT_EQ(Paths.Buttons(Page, 4), C.Stops[I].Buttons);
            EXPECT_EQ(Paths.NextPage(Page, 4), C.Stops[I].NextPage);
        }
        // Nothing beyond the last step; Back walks the path backwards.
        EXPECT_FALSE(Paths.Move(+1, Page));
        Go(Paths, -1, Page);
        EXPECT_EQ(Page, C.Stops[C.Stops.size() - 2].Page);
    }
}

TEST(WizardPaths, WithoutAPathPagesGoInIndexOrder) {
    const TVxWizardPaths Paths;
    const struct Case {
        int Active;
        int Pages;
        WizardButtons Buttons;
        int NextPage;
    } Cases[] = {
        {0, 3, {false, true, false}, 1},  {1, 3, {false, true, true}, 2},     {2, 3, {true, false, true}, -1},
        {0, 1, {true, false, false}, -1}, {-1, 0, {false, false, false}, -1},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Active);
        EXPECT_EQ(Paths.Buttons(C.Active, C.Pages), C.Buttons);
        EXPECT_EQ(Paths.NextPage(C.Active, C.Pages), C.NextPage);
    }
    EXPECT_EQ(Paths.Move(+1, 1), (WizardMove{2, -1}));
    EXPECT_EQ(Paths.Move(-1, 1), (WizardMove{0, -1}));
    EXPECT_FALSE(Paths.Move(0, 1));
}

TEST(WizardPaths, TheStepFollowsOnlyAPageThatBecameActive) {
    TVxWizardPaths Paths = TwoPaths();
    Paths.SetPath("Tracciato2");
    const std::optional<WizardMove> Move = Paths.Move(+1, 0);
    ASSERT_EQ(Move, (WizardMove{1, 1}));
    // A move whose page never became active leaves the step where it was.
    EXPECT_EQ(Paths.Step(), 0);
    // A page reached without a step of the path (GoToPage) leaves it too.
    Paths.Arrived({3, -1});
    EXPECT_EQ(Paths.Step(), 0);
    Paths.Arrived(*Move);
    EXPECT_EQ(Paths.Step(), 1);
}

TEST(WizardPaths, SettingAPathAgainOrAnUnknownOneKeepsThePosition) {
    TVxWizardPaths Paths = TwoPaths();
    Paths.AddPath("Vuoto", "  ");
    Paths.SetPath("Tracciato2");
    int Page = 0;
    Go(Paths, +1, Page);
    EXPECT_FALSE(Paths.SetPath("tracciato2"));
    EXPECT_EQ(Paths.Step(), 1);
    for (const char* Name : {"Tracciato9", "Vuoto"}) {
        SCOPED_TRACE(Name);
        EXPECT_THROW_MSG(Paths.SetPath(Name), EVxInternalError,
                         std::string("Wizard: Il percorso specificato (") + Name + ") non esiste");
        EXPECT_EQ(Paths.PathName(), "TRACCIATO2");
        EXPECT_EQ(Paths.Step(), 1);
    }
    // Another path starts at its first step.
    EXPECT_TRUE(Paths.SetPath("Tracciato1"));
    EXPECT_EQ(Paths.Step(), 0);
    EXPECT_EQ(Paths.StepPage(0), 1);
}
