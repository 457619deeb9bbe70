// Help on Linux: F1 and the message boxes' Help button open the
// installation's help file when it exists, else the program's own guide,
// with the desktop's opener.

#include "forms/QMessageBoxPresenter.h"
#include "forms/VxApplication.h"
#include "forms/VxFDialog.h"
#include "tests/common/TestSupport.h"
#include "tests/common/UrlRecorder.h"

#include <QAction>
#include <QDesktopServices>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct GuideReset {
    ~GuideReset() {
        SetProgramGuide("");
        SetAppHelpFileName("");
    }
};

TEST(Help, OpensTheInstallationsHelpFileElseTheProgramsGuide) {
    const std::string Dir = testsupport::SandboxDir() + "/help";
    std::filesystem::create_directories(Dir);
    const std::string HelpFile = Dir + "/guida.hlp";
    const std::string Guide = Dir + "/index.html";
    testsupport::WriteFileBytes(HelpFile, "x");
    testsupport::WriteFileBytes(Guide, "<html></html>");
    struct Case {
        const char* Name;
        std::string AppHelp;
        std::string ProgramGuide;
        std::string Opened; // empty: nothing opened
    };
    const Case Cases[] = {
        {"installation's help file", HelpFile, Guide, HelpFile},
        {"help file missing: the guide", Dir + "/manca.hlp", Guide, Guide},
        {"no help file named: the guide", "", Guide, Guide},
        {"neither there", Dir + "/manca.hlp", Dir + "/manca.html", ""},
        {"nothing set", "", "", ""},
    };
    GuideReset Reset;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        testsupport::UrlRecorder Opener;
        SetAppHelpFileName(C.AppHelp);
        SetProgramGuide(C.ProgramGuide);
        EXPECT_EQ(OpenHelpContents(), !C.Opened.empty());
        if (C.Opened.empty()) {
            EXPECT_TRUE(Opener.Urls.isEmpty());
            continue;
        }
        ASSERT_EQ(Opener.Urls.size(), 1);
        EXPECT_EQ(Opener.Urls[0].toLocalFile().toStdString(), C.Opened);
    }
}

TEST(Help, F1OnAFormWithoutHelpFileOpensTheGuide) {
    const std::string Guide = testsupport::SandboxDir() + "/help-f1/index.html";
    std::filesystem::create_directories(testsupport::SandboxDir() + "/help-f1");
    testsupport::WriteFileBytes(Guide, "<html></html>");
    GuideReset Reset;
    SetProgramGuide(Guide);
    testsupport::UrlRecorder Opener;
    auto* D = new TfmVxDialog;
    D->Create();
    D->acAid->trigger();
    delete D;
    ASSERT_EQ(Opener.Urls.size(), 1);
    EXPECT_EQ(Opener.Urls[0].toLocalFile().toStdString(), Guide);
}

TEST(Help, MessageBoxesOfferTheGuideWithoutChangingTheirAnswers) {
    GuideReset Reset;
    struct Case {
        const char* Name;
        std::string Guide;
        bool HelpButton;
    };
    const Case Cases[] = {
        {"with a guide", testsupport::SandboxDir() + "/index.html", true},
        {"without one", "", false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        SetProgramGuide(C.Guide);
        std::unique_ptr<QMessageBox> Box(BuildMessageBox({"Errore", "Testo", MB_ICONSTOP_ | MB_YESNO_}));
        auto* Help = Box->findChild<QPushButton*>("buGuida");
        ASSERT_EQ(Help != nullptr, C.HelpButton);
        EXPECT_NE(Box->button(QMessageBox::Yes), nullptr);
        EXPECT_NE(Box->button(QMessageBox::No), nullptr);
        if (!Help) continue;
        EXPECT_EQ(Box->buttonRole(Help), QMessageBox::HelpRole);
        EXPECT_FALSE(Help->property("adoxResult").isValid());
        EXPECT_NE(Box->defaultButton(), Help);
        EXPECT_EQ(Help->text(), "Guida");
    }
}

// The guide opens at the section of the control at hand, else of its
// window; the installation's help file has no sections and opens whole.
TEST(Help, F1OpensTheSectionOfTheControlAtHand) {
    const std::string Dir = testsupport::SandboxDir() + "/help-topic";
    std::filesystem::create_directories(Dir);
    const std::string Guide = Dir + "/index.html";
    const std::string HelpFile = Dir + "/guida.hlp";
    testsupport::WriteFileBytes(Guide, "<html></html>");
    testsupport::WriteFileBytes(HelpFile, "x");
    GuideReset Reset;
    SetProgramGuide(Guide);
    auto* D = new TfmVxDialog;
    D->Create();
    SetHelpTopic(D, "avvio");
    auto* Inner = new QWidget(D->Panel1);
    auto* Edit = new QPushButton(Inner);
    SetHelpTopic(Inner, "installazione");
    D->show();
    struct Case {
        const char* Name;
        QWidget* Focus;
        QString Opened;
    };
    const Case Cases[] = {
        {"a control inside a part with its own section", Edit,
         QString::fromStdString(Guide) + "#installazione"},
        {"a control of the window", D->buOk, QString::fromStdString(Guide) + "#avvio"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        testsupport::UrlRecorder Opener;
        C.Focus->setFocus();
        D->ShowHelp();
        ASSERT_EQ(Opener.Urls.size(), 1);
        const QUrl& Url = Opener.Urls[0];
        EXPECT_EQ((Url.toLocalFile() + (Url.hasFragment() ? "#" + Url.fragment() : "")).toStdString(),
                  C.Opened.toStdString());
    }
    delete D;
    testsupport::UrlRecorder Opener;
    SetAppHelpFileName(HelpFile);
    EXPECT_TRUE(OpenHelpTopic("installazione"));
    ASSERT_EQ(Opener.Urls.size(), 1);
    EXPECT_EQ(Opener.Urls[0], QUrl::fromLocalFile(QString::fromStdString(HelpFile)));
}

// A message box opens the section of the window it is about; the
// application's error box the list of problems. The error box goes by the
// program's menu name, other boxes by their caption; Annulla is Alt+U.
TEST(Help, MessageBoxesOpenTheirSectionAndGoByTheMenuName) {
    GuideReset Reset;
    SetProgramGuide(testsupport::SandboxDir() + "/index.html");
    testsupport::WriteFileBytes(testsupport::SandboxDir() + "/index.html", "<html></html>");
    SetMenuName("Esportazione adozioni");
    auto* Page = new QWidget;
    SetHelpTopic(Page, "anagrafica");
    auto* Edit = new QPushButton(Page);
    Page->show();
    Page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Page));
    Edit->setFocus();
    struct Case {
        const char* Name;
        MessageBoxRequest Request;
        QString Title;
        QString Fragment;
    };
    const Case Cases[] = {
        {"a message on a page", {"Errore", "Testo", MB_ICONSTOP_ | MB_OKCANCEL_}, "Errore", "anagrafica"},
        {"the application's error box",
         {ApplicationTitle(), "Testo", MB_ICONSTOP_ | MB_OK_},
         "Esportazione adozioni",
         "problemi"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::unique_ptr<QMessageBox> Box(BuildMessageBox(C.Request));
        EXPECT_EQ(Box->windowTitle(), C.Title);
        if (QAbstractButton* Cancel = Box->button(QMessageBox::Cancel)) {
            EXPECT_EQ(Cancel->text(), "Ann&ulla");
        }
        testsupport::UrlRecorder Opener;
        ASSERT_FALSE(Box->actions().isEmpty());
        Box->actions().front()->trigger();
        ASSERT_EQ(Opener.Urls.size(), 1);
        EXPECT_EQ(Opener.Urls[0].fragment(), C.Fragment);
    }
    SetMenuName("");
    delete Page;
}

} // namespace
