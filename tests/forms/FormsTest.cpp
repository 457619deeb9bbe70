// Base form, dialogs, the application's notify, the QMessageBox presenter and
// the widget text boundary.

#include "forms/QMessageBoxPresenter.h"
#include "forms/QtText.h"
#include "forms/ScreenFit.h"
#include "forms/VxApplication.h"
#include "forms/VxFDlgOkCancel.h"
#include "forms/VxFWizard.h"
#include "support/VxExceptions.h"
#include "support/VxParam.h"
#include "tests/common/ExpectThrow.h"
#include "tests/common/OwnedForm.h"
#include "tests/common/RecordingPresenter.h"
#include "tests/common/TestSupport.h"

#include <QAction>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

using testsupport::Owned;

void ShowAndWait(QWidget* W) {
    W->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(W));
}

} // namespace

// ---- creation chain ---------------------------------------------------------

namespace {
class TChainWizard : public TfmVxWizard {
public:
    bool AdjustedSeen = true;
    bool FreeOnCloseSeen = false;
    int Runs = 0;
    void PretendAdjusted() { FAdjusted = true; }

protected:
    void FormCreate() override {
        TfmVxWizard::FormCreate();
        ++Runs;
        AdjustedSeen = FAdjusted;
        FreeOnCloseSeen = FFreeOnClose;
    }
};
} // namespace

TEST(Forms, DerivedFormCreateRunsAfterItsParents) {
    Owned W(new TChainWizard);
    W->PretendAdjusted();
    EXPECT_FALSE(W->FreeOnClose());
    W->Create();
    EXPECT_EQ(W->Runs, 1);
    EXPECT_FALSE(W->AdjustedSeen) << "the base form's FormCreate did not run first";
    EXPECT_TRUE(W->FreeOnCloseSeen) << "the dialog's FormCreate did not run first";
    W->Create();
    EXPECT_EQ(W->Runs, 1);
}

// ---- one-time resize ----------------------------------------------------------

TEST(Forms, AdjustToScreenScalesFromTheDesignScreen) {
    struct Row {
        const char* Name;
        TFormBounds In;
        int ScreenW, ScreenH;
        TFormBounds Out;
    } const Rows[] = {
        {"1024x768", {10, 20, 544, 374}, 1024, 768, {10, 20, 870, 598}},
        {"design screen", {10, 20, 544, 374}, 640, 480, {10, 20, 544, 374}},
        {"pulled back on screen", {600, 500, 544, 374}, 1024, 768, {154, 170, 870, 598}},
        {"wider than screen", {30, 30, 800, 600}, 320, 240, {0, 0, 400, 300}},
        {"truncating", {0, 0, 543, 373}, 800, 600, {0, 0, 678, 466}},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        const TFormBounds B = AdjustToScreen(R.In, R.ScreenW, R.ScreenH);
        EXPECT_EQ(B.Left, R.Out.Left);
        EXPECT_EQ(B.Top, R.Out.Top);
        EXPECT_EQ(B.Width, R.Out.Width);
        EXPECT_EQ(B.Height, R.Out.Height);
    }
}

// A window is cut to the screen's free area less its frame, never below its
// least size, and moved inside the free area where it fits.
TEST(Forms, FitWindowToScreenKeepsTheWindowOnTheFreeArea) {
    const QMargins Frame(4, 30, 4, 4);
    struct Row {
        const char* Name;
        QRect Window;
        QSize Least;
        QRect Free;
        QRect Out;
    } const Rows[] = {
        {"room enough", {100, 100, 678, 467}, {640, 360}, {0, 0, 1366, 768}, {100, 100, 678, 467}},
        {"1024x600 at 1.5", {0, 0, 678, 467}, {640, 360}, {0, 0, 682, 400}, {4, 30, 674, 366}},
        {"below a top panel", {0, 0, 600, 300}, {100, 100}, {0, 24, 1024, 576}, {4, 54, 600, 300}},
        {"off the right edge", {900, 100, 400, 300}, {100, 100}, {0, 0, 1024, 600}, {620, 100, 400, 300}},
        {"least size wins", {0, 0, 900, 700}, {800, 500}, {0, 0, 682, 400}, {4, 30, 800, 500}},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(FitWindowToScreen(R.Window, R.Least, R.Free, Frame), R.Out);
    }
}

TEST(Forms, SizeableFormResizesOnceDialogNever) {
    Owned F(new TfmVxVuota);
    F->Create();
    EXPECT_EQ(F->size(), QSize(544, 374));
    const QRect Screen = QGuiApplication::primaryScreen()->geometry();
    const TFormBounds Expected = AdjustToScreen({0, 0, 544, 374}, Screen.width(), Screen.height());
    ShowAndWait(F.Ptr);
    EXPECT_TRUE(F->Adjusted());
    EXPECT_EQ(F->size(), QSize(Expected.Width, Expected.Height));
    F->hide();
    ShowAndWait(F.Ptr);
    EXPECT_EQ(F->size(), QSize(Expected.Width, Expected.Height)) << "resized again on a later show";

    Owned D(new TfmVxOkCancDlg);
    D->Create();
    ShowAndWait(D.Ptr);
    EXPECT_TRUE(D->Adjusted());
    EXPECT_EQ(D->size(), QSize(440, 321));
}

// ---- texts ----------------------------------------------------------------------

TEST(Forms, CaptionsByLevel) {
    Owned D(new TfmVxDialog);
    Owned O(new TfmVxOkCancDlg);
    Owned W(new TfmVxWizard);
    struct Row {
        const char* Name;
        QPushButton* Button;
        const char* Caption;
        int Left;
    } const Rows[] = {
        {"dialog close", D->buOk, "Chiudi", 360},       {"ok", O->buOk, "OK", 280},
        {"cancel", O->buCancel, "Annulla", 360},        {"wizard finish", W->buOk, "Fine", 360},
        {"wizard cancel", W->buCancel, "Annulla", 120}, {"next", W->buNext, "Avanti >", 280},
        {"back", W->buPrior, "< Indietro", 200},
    };
    ShowAndWait(D.Ptr);
    ShowAndWait(O.Ptr);
    ShowAndWait(W.Ptr);
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(R.Button->text(), QString::fromUtf8(R.Caption));
        EXPECT_EQ(R.Button->x(), R.Left);
        EXPECT_EQ(R.Button->y(), 4);
        EXPECT_EQ(R.Button->size(), QSize(75, 25));
    }
    EXPECT_EQ(D->acAid->text(), "Guida in Linea");
    EXPECT_EQ(D->acAid->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(W->size(), QSize(440, 221));
    EXPECT_EQ(W->pcMain->objectName(), "pcMain");
}

TEST(Forms, ButtonsStayAnchoredWhenTheDialogGrows) {
    Owned W(new TfmVxWizard);
    W->setFixedSize(678, 467);
    ShowAndWait(W.Ptr);
    EXPECT_EQ(W->buCancel->x(), 358);
    EXPECT_EQ(W->buPrior->x(), 438);
    EXPECT_EQ(W->buNext->x(), 518);
    EXPECT_EQ(W->buOk->x(), 598);
}

// ---- closing ----------------------------------------------------------------------

TEST(Forms, DialogFreesItselfWhenClosed) {
    struct Row {
        const char* Name;
        int How; // 0 OK button, 1 Cancel button, 2 Esc, 3 close()
        int Result;
    } const Rows[] = {
        {"ok", 0, QDialog::Accepted},
        {"cancel", 1, QDialog::Rejected},
        {"escape", 2, QDialog::Rejected},
        {"close box", 3, QDialog::Rejected},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        QPointer<TfmVxOkCancDlg> D(new TfmVxOkCancDlg);
        D->Create();
        int Result = -1;
        QObject::connect(D, &QDialog::finished, [&Result](int V) { Result = V; });
        ShowAndWait(D);
        switch (R.How) {
        case 0: QTest::mouseClick(D->buOk, Qt::LeftButton); break;
        case 1: QTest::mouseClick(D->buCancel, Qt::LeftButton); break;
        case 2: QTest::keyClick(D, Qt::Key_Escape); break;
        default: D->close(); break;
        }
        EXPECT_EQ(Result, R.Result);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(D.isNull()) << "the dialog was not freed";
        delete D.data();
    }

    // Esc works only through an enabled cancel button.
    struct EscRow {
        const char* Name;
        bool HasCancel;
        bool CancelEnabled;
    } const EscRows[] = {{"no cancel button", false, false}, {"cancel disabled", true, false}};
    for (const auto& R : EscRows) {
        SCOPED_TRACE(R.Name);
        Owned<TfmVxDialog> D(R.HasCancel ? new TfmVxOkCancDlg : new TfmVxDialog);
        D->Create();
        if (R.HasCancel) static_cast<TfmVxOkCancDlg*>(D.Ptr.data())->buCancel->setEnabled(R.CancelEnabled);
        ShowAndWait(D.Ptr);
        QTest::keyClick(D.Ptr, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_FALSE(D.Ptr.isNull());
        EXPECT_TRUE(D->isVisible());
    }

    // A plain base form only hides.
    Owned F(new TfmVxVuota);
    F->Create();
    ShowAndWait(F.Ptr);
    F->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(F.Ptr.isNull());
    EXPECT_FALSE(F->isVisible());
}

// ---- help ----------------------------------------------------------------------------

namespace {
// The installation folder lives in the sandbox; MainDir is read once per run,
// so the registry file is written before any test asks for it.
std::string InstallDir() {
    static const std::string Dir = [] {
        const std::string D = testsupport::SandboxDir() + "/inst";
        std::filesystem::create_directories(D + "/HELP");
        testsupport::WriteFileBytes(
            testsupport::SandboxDir() + "/hklm.reg",
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"" + D + "\"\r\n");
        return D;
    }();
    return Dir;
}
} // namespace

TEST(Forms, HelpFileResolvesUnderTheHelpFolder) {
    const std::string Dir = InstallDir();
    ASSERT_EQ(VxParam().MainDir(), Dir + "/");
    const std::string FolderError = "nella propiet\xE0 HelpFile non bisogna specificare il percorso!";
    struct Row {
        const char* Name;
        const char* HelpFile;
        const char* Error; // nullptr when accepted
        std::string AppHelp;
    } const Rows[] = {
        {"bare name", "guida.hlp", nullptr, Dir + "/HELP/guida.hlp"},
        {"no help file", "", nullptr, ""},
        {"slash folder", "doc/guida.hlp", FolderError.c_str(), "marker"},
        {"backslash folder", "doc\\guida.hlp", FolderError.c_str(), "marker"},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        Owned D(new TfmVxDialog);
        D->Create();
        D->SetHelpFile(R.HelpFile);
        SetAppHelpFileName("marker");
        if (R.Error) {
            EXPECT_THROW_MSG(D->SetAppHelpFile(), EVxInternalError, R.Error);
        } else {
            D->SetAppHelpFile();
        }
        EXPECT_EQ(AppHelpFile(), R.AppHelp);
    }
}

TEST(Forms, F1WithFolderInHelpFileShowsTheErrorBox) {
    InstallDir();
    RecordingPresenter Boxes;
    Owned D(new TfmVxDialog);
    D->Create();
    D->SetHelpFile("doc/guida.hlp");
    ShowAndWait(D.Ptr);
    D->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(D.Ptr));
    QTest::keyClick(D.Ptr, Qt::Key_F1);
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    // The message ends in "!", so the error box adds no full stop.
    EXPECT_EQ(Boxes.Boxes[0].Text, "nella propiet\xE0 HelpFile non bisogna specificare il percorso!");
    EXPECT_EQ(Boxes.Boxes[0].Caption, "adoxport");
}

// ---- the application's notify ------------------------------------------------------------

TEST(Application, NotifyShowsWhatLeavesAClickHandler) {
    ASSERT_NE(dynamic_cast<TVxApplication*>(QCoreApplication::instance()), nullptr);
    struct Row {
        const char* Name;
        void (*Throw)();
        const char* Text; // nullptr: nothing shown
    } const Rows[] = {
        {"framework error", [] { throw EVxError("Dato non valido"); }, "Dato non valido."},
        {"ends in full stop", [] { throw EVxInternalError("Errore interno."); }, "Errore interno."},
        {"standard exception, in the user's words",
         [] { throw std::runtime_error("Error reading file a.xml"); },
         "Errore nella lettura del file a.xml.\r\nControllare che il file esista e si possa leggere, poi "
         "riprovare."},
        {"abort is silent", [] { throw EAbort(); }, nullptr},
        {"not a standard exception", [] { throw 42; }, "Unknown exception."},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        RecordingPresenter Boxes;
        QPushButton Button("Prova");
        Button.resize(80, 25);
        bool After = false;
        QObject::connect(&Button, &QPushButton::clicked, [&R] { R.Throw(); });
        QObject::connect(&Button, &QPushButton::pressed, [&After] { After = true; });
        ShowAndWait(&Button);
        QTest::mouseClick(&Button, Qt::LeftButton);
        EXPECT_TRUE(After);
        if (R.Text) {
            ASSERT_EQ(Boxes.Boxes.size(), 1u);
            EXPECT_EQ(Boxes.Boxes[0].Text, R.Text);
            EXPECT_EQ(Boxes.Boxes[0].Caption, "adoxport");
            EXPECT_EQ(Boxes.Boxes[0].Style & 0xF0u, static_cast<uint32_t>(MB_ICONSTOP_));
        } else {
            EXPECT_TRUE(Boxes.Boxes.empty());
        }
        // The application goes on handling events after the error.
        int Clicks = 0;
        QObject::disconnect(&Button, &QPushButton::clicked, nullptr, nullptr);
        QObject::connect(&Button, &QPushButton::clicked, [&Clicks] { ++Clicks; });
        QTest::mouseClick(&Button, Qt::LeftButton);
        EXPECT_EQ(Clicks, 1);
    }
}

// ---- the QMessageBox presenter ---------------------------------------------------------------

TEST(Presenter, BuildsTheBoxTheStyleDescribes) {
    struct Row {
        const char* Name;
        uint32_t Style;
        QMessageBox::Icon Icon;
        std::vector<QMessageBox::StandardButton> Buttons;
        QMessageBox::StandardButton Default; // NoButton: none set
    } const Rows[] = {
        {"error ok", 0x2210, QMessageBox::Critical, {QMessageBox::Ok}, QMessageBox::NoButton},
        {"confirm yes no, default no",
         0x2124,
         QMessageBox::Question,
         {QMessageBox::Yes, QMessageBox::No},
         QMessageBox::No},
        {"warning yes no cancel",
         0x2033,
         QMessageBox::Warning,
         {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel},
         QMessageBox::Yes},
        {"information retry cancel",
         0x2145,
         QMessageBox::Information,
         {QMessageBox::Retry, QMessageBox::Cancel},
         QMessageBox::Cancel},
        {"no icon abort retry ignore",
         0x2202,
         QMessageBox::NoIcon,
         {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore},
         QMessageBox::Ignore},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        std::unique_ptr<QMessageBox> Box(BuildMessageBox({"Attivit\xE0", "Perch\xE9 \x80 5", R.Style}));
        EXPECT_EQ(Box->windowTitle(), QString::fromUtf8("Attività"));
        EXPECT_EQ(Box->text(), QString::fromUtf8("Perché € 5"));
        EXPECT_EQ(Box->icon(), R.Icon);
        EXPECT_EQ(Box->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(Box->parentWidget(), nullptr);
        ASSERT_EQ(Box->buttons().size(), static_cast<qsizetype>(R.Buttons.size()));
        for (size_t I = 0; I < R.Buttons.size(); ++I) EXPECT_NE(Box->button(R.Buttons[I]), nullptr) << I;
        if (R.Default != QMessageBox::NoButton) {
            EXPECT_EQ(Box->defaultButton(), Box->button(R.Default));
        }
        // Every button answers with the system identifier the style lists.
        const std::vector<int32_t> Ids = StyleButtons(R.Style);
        for (size_t I = 0; I < R.Buttons.size(); ++I)
            EXPECT_EQ(Box->button(R.Buttons[I])->property("adoxResult").toInt(), Ids[I]);
    }
}

// ---- the widget text boundary ----------------------------------------------------------------

TEST(QtText, ConvertsThroughCp1252) {
    struct Row {
        const char* Name;
        std::string Bytes;
        QString Text;
    } const Rows[] = {
        {"ascii", "Nome", "Nome"},
        {"accents and euro", "citt\xE0 \x80", QString::fromUtf8("città €")},
        {"embedded nul", std::string("a\0b", 3), QString::fromUtf8("a\0b", 3)},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(ToQString(R.Bytes), R.Text);
        EXPECT_EQ(FromQString(R.Text), R.Bytes);
    }
    EXPECT_EQ(FromQString(QString::fromUtf8("\xC5\x82\xF0\x9F\x98\x80")), "??") << "unmappable characters";
}
