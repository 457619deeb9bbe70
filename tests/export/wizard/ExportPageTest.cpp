// The export page's "Mostra file": offered only after an export that
// finished, a tab per file with the fields as columns, reached by keyboard.

#include "tests/export/wizard/WizardFormFixture.h"

#include "export/records/RecordLayout.h"
#include "export/viewer/RecordFilesDialog.h"
#include "forms/QtText.h"
#include "forms/ScreenFit.h"

#include <QAbstractItemView>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <filesystem>

namespace fs = std::filesystem;

using namespace wizardtest;

namespace {

// ---- Mostra file ---------------------------------------------------------------------------

// A folder in the data folder where an output file goes makes the run stop.
void BlockOutputFile(const WizardForm& F, const char* Name) {
    fs::create_directories(F.Dir + Name + "/held");
}

TEST(ShowFiles, OfferedOnlyAfterAnExportThatFinished) {
    struct Case {
        const char* Name;
        int Nexts;
        bool Stop;
        bool Offered;
    };
    const Case Cases[] = {
        {"registry page, before the export", 1, false, false},
        {"export stopped", 2, true, false},
        {"export finished", 2, false, true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F("aie", "1", &TwoSchools);
        if (C.Stop) BlockOutputFile(F, "File815.txt");
        for (int I = 0; I < C.Nexts; ++I) F.Next();
        QPushButton* Show = F.Button("buMostraFile");
        ASSERT_NE(Show, nullptr);
        EXPECT_EQ(F.Form->RunStopped(), C.Stop);
        EXPECT_EQ(Show->isVisible(), C.Offered);
        EXPECT_TRUE(!C.Offered || Show->isEnabled());
    }
}

// The shown window, once the export finished and the button was pressed.
RecordFilesDialog* OpenShowFiles(WizardForm& F, const char* Target) {
    F.Next();
    F.Next();
    EXPECT_FALSE(F.Form->RunStopped());
    QTest::mouseClick(F.Button("buMostraFile"), Qt::LeftButton);
    auto* Window = F.Form->findChild<RecordFilesDialog*>();
    EXPECT_NE(Window, nullptr) << Target;
    return Window;
}

TEST(ShowFiles, ATabPerFileWithTheFieldsAsColumns) {
    for (const char* Target : {"aie", "anarpe"}) {
        SCOPED_TRACE(Target);
        WizardForm F(Target, "1", &TwoSchools);
        F.Dm.zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
        RecordFilesDialog* Window = OpenShowFiles(F, Target);
        ASSERT_NE(Window, nullptr);
        EXPECT_TRUE(Window->isVisible());
        EXPECT_TRUE(Window->isModal());
        const auto Files = txad::FileLayouts(txad::Edition::Current, Target);
        ASSERT_EQ(Window->tcFiles->count(), static_cast<int>(Files.size()));
        for (int T = 0; T < Window->tcFiles->count(); ++T) {
            const txad::FileLayout& File = Files[static_cast<std::size_t>(T)];
            SCOPED_TRACE(File.FileName);
            EXPECT_EQ(Window->tcFiles->tabText(T), ToQString(File.FileName));
            QTableView* View = Window->Table(T);
            ASSERT_NE(View, nullptr);
            const QAbstractItemModel& Model = *View->model();
            const std::vector<std::string> Lines = F.Output(std::string(File.FileName).c_str());
            ASSERT_EQ(Model.rowCount(), static_cast<int>(Lines.size()));
            EXPECT_EQ(Model.headerData(0, Qt::Horizontal), "Tipo record");
            EXPECT_EQ(Model.index(0, 0).data(), ToQString(File.Header->Name));
            EXPECT_EQ(Model.index(Model.rowCount() - 1, 0).data(), ToQString(File.Trailer->Name));
            EXPECT_EQ(View->editTriggers(), QAbstractItemView::NoEditTriggers);
            if (!File.Body || Lines.size() < 3) continue;
            // Every body field has its column, and the first record's cell
            // holds the field's bytes.
            EXPECT_EQ(Model.index(1, 0).data(), ToQString(File.Body->Name));
            for (const txad::LayoutField& Field : File.Body->Fields) {
                if (Field.Width == 0) continue;
                int Column = 1;
                while (Column < Model.columnCount() &&
                       Model.headerData(Column, Qt::Horizontal).toString() != ToQString(Field.Name))
                    ++Column;
                ASSERT_LT(Column, Model.columnCount()) << Field.Name;
                EXPECT_EQ(Model.index(1, Column).data(),
                          ToQString(Lines[1].substr(static_cast<std::size_t>(Field.Start) - 1,
                                                    static_cast<std::size_t>(Field.Width))))
                    << Field.Name;
            }
        }
        // Esc closes the window only; the form, where Esc is Annulla, stays.
        QTest::keyClick(Window, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(F.Form->findChild<RecordFilesDialog*>(), nullptr);
        ASSERT_FALSE(F.Form.isNull());
        EXPECT_TRUE(F.Form->isVisible());
    }
}

// The title names the set that is sent, and the window opens inside the
// screen whatever its size.
TEST(ShowFiles, TitleNamesTheDeliveredSetAndTheWindowFitsTheScreen) {
    struct Case {
        const char* Target;
        const char* Set;
    };
    const Case Cases[] = {
        {"aie", "File per AIE (File014.txt, File622.txt, File815.txt, File815E.txt)"},
        {"anarpe", "Anarpe.zip per ANARPE (Adoz001.txt, Adoz002.txt, Adoz003.txt, Adoz004.txt)"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Target);
        WizardForm F(C.Target, "1", &TwoSchools);
        F.Dm.zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
        RecordFilesDialog* Window = OpenShowFiles(F, C.Target);
        ASSERT_NE(Window, nullptr);
        EXPECT_TRUE(Window->windowTitle().startsWith(C.Set)) << Window->windowTitle().toStdString();
        EXPECT_TRUE(Window->windowTitle().endsWith(QString::fromStdString(F.Dir + "/")) ||
                    Window->windowTitle().endsWith(QString::fromStdString(F.Dir)))
            << Window->windowTitle().toStdString();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window));
        const QRect Free = Window->screen()->availableGeometry();
        const QRect Client = Window->geometry();
        const QRect Outer =
            Window->frameGeometry() == Client ? Client.marginsAdded(AssumedFrame) : Window->frameGeometry();
        EXPECT_TRUE(Free.contains(Outer)) << Outer.width() << "x" << Outer.height() << "+" << Outer.x() << "+"
                                          << Outer.y() << " on " << Free.width() << "x" << Free.height();
    }
}

TEST(ShowFiles, ReachedByTabAndByAlt) {
    WizardForm F("aie", "1", &TwoSchools);
    Activate(F);
    F.Next();
    F.Next();
    QPushButton* Show = F.Button("buMostraFile");
    F.Button("buOk")->setFocus();
    for (int I = 0; I < 6 && QApplication::focusWidget() != Show; ++I)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Show);
    QTest::keyClick(F.Form.data(), Qt::Key_F, Qt::AltModifier);
    QPointer<RecordFilesDialog> Window;
    for (int Wait = 0; Wait < 50 && !(Window = F.Form->findChild<RecordFilesDialog*>()); ++Wait)
        QTest::qWait(20);
    ASSERT_FALSE(Window.isNull());
    // Esc closes it and leaves the form as it was.
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window.data()));
    QTest::keyClick(Window.data(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Window.isNull());
    ASSERT_FALSE(F.Form.isNull());
    EXPECT_TRUE(F.Form->isVisible());
}

} // namespace
