// The wizard's accessibility tree on every page, as a screen reader walks it:
// each control a user acts on is named as the eye reads it, none by the
// system's object names; other steps' pages and the hidden tabs are out of
// reach; the export's end is said.

#include "export/wizard/FolderWaitWindow.h"
#include "forms/Accessibility.h"
#include "tests/export/wizard/WizardFormFixture.h"
#include "tests/export/wizard/WizardTestData.h"

#include <QAccessible>
#include <QListWidget>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace wizardtest;

namespace {

bool Interactive(QAccessible::Role Role) {
    switch (Role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::ListItem:
    case QAccessible::Table:
    case QAccessible::ColumnHeader:
    case QAccessible::RowHeader:
    case QAccessible::PageTab:
    case QAccessible::ScrollBar:
    case QAccessible::ProgressBar: return true;
    default: return false;
    }
}

// The faults of the tree below Root, one line each; Tabs counts page tabs.
void Check(QAccessibleInterface* Root, QStringList& Faults, int& Tabs) {
    static const QRegularExpression Internal("^(ts|ed|bu|cb|cl|me|gr|la|pc)[A-Z]");
    if (!Root || Root->state().invisible) return;
    const QAccessible::Role Role = Root->role();
    const QString Name = Root->text(QAccessible::Name);
    if (Role == QAccessible::PageTab || Role == QAccessible::PageTabList) ++Tabs;
    if (Interactive(Role)) {
        if (Name.trimmed().isEmpty())
            Faults << QString("role %1 without a name").arg(Role);
        else if (Internal.match(Name).hasMatch() || Name != Name.trimmed())
            Faults << QString("role %1 named '%2'").arg(Role).arg(Name);
    }
    // One row of a table stands for all.
    const int Children = Role == QAccessible::Table ? std::min(Root->childCount(), 12) : Root->childCount();
    for (int I = 0; I < Children; ++I) Check(Root->child(I), Faults, Tabs);
}

} // namespace

TEST(AccessibleTree, EveryPageNamesItsControls) {
    InstallAccessibility();
    WizardForm F("aie", "2", &TwoSchools);
    F.Form->show();
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
    const char* const Steps[] = {"Selezione sedi", "Anomalie", "Anagrafica", "Esportazione"};
    for (int Page = 0; Page < 4; ++Page) {
        SCOPED_TRACE(Steps[Page]);
        if (Page > 0) F.Next();
        ASSERT_EQ(F.Page(), Page);
        QStringList Faults;
        int Tabs = 0;
        Check(QAccessible::queryAccessibleInterface(F.Form.data()), Faults, Tabs);
        EXPECT_TRUE(Faults.isEmpty()) << Faults.join('\n').toStdString();
        EXPECT_EQ(Tabs, 0);
        QAccessibleInterface* Pages = QAccessible::queryAccessibleInterface(F.Form->pcMain);
        EXPECT_EQ(Pages->text(QAccessible::Name), Steps[Page]);
    }
    EXPECT_TRUE(F.Form->RunFinished());
    EXPECT_EQ(F.Export()->accessibleDescription().toStdString(), "Esportazione completata");
}

// The window that waits for a busy delivery folder: its bar and button named.
TEST(AccessibleTree, FolderWaitWindowNamesItsControls) {
    InstallAccessibility();
    txad::FolderWaitWindow Window(nullptr);
    Window.Begin("La cartella di consegna \xE8 occupata da un'altra esportazione.");
    QStringList Faults;
    int Tabs = 0;
    Check(QAccessible::queryAccessibleInterface(&Window), Faults, Tabs);
    EXPECT_TRUE(Faults.isEmpty()) << Faults.join('\n').toStdString();
    Window.End();
}
