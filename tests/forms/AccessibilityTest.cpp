// The accessibility tree as a screen reader or a test robot walks it, through
// the same interfaces the desktop's bridge calls.

#include "forms/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTabBar>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <set>

namespace {

struct AccessibilityFixture : ::testing::Test {
    static void SetUpTestSuite() { InstallAccessibility(); }
};

// Every interface reachable from Root by its children.
void Reachable(QAccessibleInterface* Root, std::vector<QAccessibleInterface*>& Found) {
    if (!Root) return;
    Found.push_back(Root);
    for (int I = 0; I < Root->childCount(); ++I) Reachable(Root->child(I), Found);
}

QListWidgetItem* CheckItem(QListWidget& List, const char* Text) {
    auto* Item = new QListWidgetItem(Text, &List);
    Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    Item->setCheckState(Qt::Unchecked);
    return Item;
}

} // namespace

TEST_F(AccessibilityFixture, CheckListItemsSayTheirStateAndToggle) {
    QListWidget List;
    CheckItem(List, "FCPS28031L - Sede");
    QListWidgetItem* Second = CheckItem(List, "FCPS28031L - Succursale");
    QAccessibleInterface* Iface = QAccessible::queryAccessibleInterface(&List);
    ASSERT_NE(Iface, nullptr);
    EXPECT_EQ(Iface->role(), QAccessible::List);
    ASSERT_EQ(Iface->childCount(), 2);
    QAccessibleInterface* Item = Iface->child(1);
    ASSERT_NE(Item, nullptr);
    EXPECT_EQ(Item->role(), QAccessible::CheckBox);
    EXPECT_EQ(Item->text(QAccessible::Name), "FCPS28031L - Succursale");
    EXPECT_EQ(Iface->indexOfChild(Item), 1);
    EXPECT_EQ(Item->parent(), Iface);
    EXPECT_TRUE(Item->state().checkable);
    EXPECT_FALSE(Item->state().checked);

    QAccessibleActionInterface* Actions = Item->actionInterface();
    ASSERT_NE(Actions, nullptr);
    ASSERT_TRUE(Actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    Actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Second->checkState(), Qt::Checked);
    EXPECT_TRUE(Item->state().checked);
    Actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Second->checkState(), Qt::Unchecked);

    // A disabled list ticks nothing.
    List.setEnabled(false);
    Actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Second->checkState(), Qt::Unchecked);
}

// Rows removed or inserted: each child names the item now at its place.
TEST_F(AccessibilityFixture, CheckListFollowsItsRows) {
    QListWidget List;
    CheckItem(List, "A");
    CheckItem(List, "B");
    QAccessibleInterface* Iface = QAccessible::queryAccessibleInterface(&List);
    ASSERT_EQ(Iface->child(1)->text(QAccessible::Name), "B");
    delete List.takeItem(0);
    ASSERT_EQ(Iface->childCount(), 1);
    EXPECT_EQ(Iface->child(0)->text(QAccessible::Name), "B");
    List.insertItem(0, "C");
    EXPECT_EQ(Iface->child(0)->text(QAccessible::Name), "C");
    EXPECT_EQ(Iface->child(0)->role(), QAccessible::ListItem); // not checkable
    EXPECT_EQ(Iface->child(1)->text(QAccessible::Name), "B");
    EXPECT_EQ(Iface->child(2), nullptr);
}

// With hidden tabs, the tree holds the active page alone: no tab to press,
// no page of another step to reach.
TEST_F(AccessibilityFixture, PageControlShowsOnlyTheActivePage) {
    QTabWidget Pages;
    QWidget* Page[3];
    const char* const Names[] = {"Selezione sedi", "Anagrafica", "Esportazione"};
    for (int I = 0; I < 3; ++I) {
        Page[I] = new QWidget;
        Page[I]->setAccessibleName(Names[I]);
        new QLabel(Names[I], Page[I]);
        Pages.addTab(Page[I], QString("ts%1").arg(I));
    }
    Pages.tabBar()->hide();
    ExposeActivePageOnly(&Pages);
    for (int Active : {0, 2}) {
        SCOPED_TRACE(Active);
        Pages.setCurrentIndex(Active);
        QAccessibleInterface* Root = QAccessible::queryAccessibleInterface(&Pages);
        EXPECT_EQ(Root->text(QAccessible::Name), Names[Active]);
        std::vector<QAccessibleInterface*> Found;
        Reachable(Root, Found);
        std::set<QObject*> Objects;
        for (QAccessibleInterface* I : Found) {
            EXPECT_NE(I->role(), QAccessible::PageTab) << I->text(QAccessible::Name).toStdString();
            EXPECT_NE(I->role(), QAccessible::PageTabList);
            Objects.insert(I->object());
        }
        for (int I = 0; I < 3; ++I) EXPECT_EQ(Objects.count(Page[I]), I == Active ? 1u : 0u) << I;
        EXPECT_EQ(Objects.count(Pages.tabBar()), 0u);
    }
}

// The recipient chosen through the combo box's list, the way a robot or a
// screen reader picks an item, becomes the combo box's value.
TEST_F(AccessibilityFixture, ComboBoxTakesTheItemChosenThroughItsList) {
    QComboBox Box;
    Box.addItems({"AIE (Associazione Italiana Editori)", "ANARPE"});
    AcceptChosenItem(&Box);
    QAccessibleInterface* List = QAccessible::queryAccessibleInterface(Box.view());
    ASSERT_NE(List, nullptr);
    QAccessibleInterface* Anarpe = nullptr;
    for (int I = 0; I < List->childCount(); ++I)
        if (List->child(I)->text(QAccessible::Name) == "ANARPE") Anarpe = List->child(I);
    ASSERT_NE(Anarpe, nullptr);
    ASSERT_NE(Anarpe->actionInterface(), nullptr);
    Anarpe->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(Box.currentIndex(), 1);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&Box)->text(QAccessible::Value), "ANARPE");
}
