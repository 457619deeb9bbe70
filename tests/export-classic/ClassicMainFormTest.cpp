// The earlier edition's main form driven through its buttons: pages by path,
// the button rule, the registry page on the dataset that start-up or the site
// page left, and the export page's files and delivery.

#include "tests/common/RecordingPresenter.h"
#include "tests/common/TestSupport.h"

#include "export-classic/ClassicEdition.h"
#include "export/records/RecordFields.h"
#include "export/records/RecordLayout.h"
#include "export/viewer/RecordFilesDialog.h"
#include "export/wizard/ExportPage.h"
#include "export/wizard/RegistryPage.h"
#include "export/wizard/SitePage.h"
#include "export/wizard/txadFMain.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/VxMsgDlg.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// Records every box and answers with OK.
const fs::path& InstallDir() {
    static const fs::path Dir = fs::path(testsupport::SandboxDir()) / "classic-install";
    return Dir;
}

fs::path ParamFile(const std::string& Target) {
    return InstallDir() / "ETC" / "datrex" / (Target + ".ufp");
}

// A recipient's parameter file last written on 1 September 2021.
void WriteParamFile(const std::string& Target) {
    testsupport::WriteFileBytes(ParamFile(Target).string(), "[Param]\r\n");
    QFile File(QString::fromStdString(ParamFile(Target).string()));
    ASSERT_TRUE(File.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        File.setFileTime(QDateTime(QDate(2021, 9, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
}

// The forms' clock: the last second of a day, so a run that read the real
// date would show it whatever day the test runs on.
const platform::LocalDateTime RunClock{2026, 2, 28, 23, 59, 59, 0};

std::string RunDay() {
    return txad::FormatDateDMY(platform::LocalDate{RunClock.Year, RunClock.Month, RunClock.Day});
}

std::string FirstLine(const std::string& Bytes) {
    return Bytes.substr(0, Bytes.find("\r\n") + 2);
}

class ClassicMainForm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fs::create_directories(InstallDir() / "ETC" / "datrex");
        WriteParamFile("aie");
        WriteParamFile("anarpe");
        testsupport::WriteFileBytes(
            platform::HklmFilePath(),
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"" +
                InstallDir().string() + "\"\r\n");
    }

    void SetUp() override {
        Presenter.Boxes.clear();
        SetMessagePresenter(&Presenter);
        DataDir = fs::path(testsupport::SandboxDir()) / "classic-form-data";
        fs::remove_all(DataDir);
        fs::create_directories(DataDir);
        for (const auto& Entry : fs::directory_iterator(fs::path(ADOX_CLASSIC_FIXTURES) / "basic"))
            fs::copy_file(Entry.path(), DataDir / Entry.path().filename());
        fs::remove_all(fs::path(platform::DeliveryBase()) / "rozadiver");
    }

    void TearDown() override {
        Form.reset();
        Dm.reset();
        SetMessagePresenter(nullptr);
    }

    TfmTxadMain& Open(const std::string& Target, const std::string& Path) {
        Form.reset();
        Dm = std::make_unique<TdmTxadMain>();
        Dm->zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
        Form = std::make_unique<TfmTxadMain>(*Dm, txad::ClassicEditionPlan(),
                                             txad::ParseWizardArguments({DataDir.string(), Target, Path}));
        Form->Session().Clock = [] { return RunClock; };
        Form->Create();
        Form->show();
        QApplication::processEvents();
        return *Form;
    }

    void Press(QPushButton* Button) {
        Button->click();
        QApplication::processEvents();
    }

    void Tick(std::initializer_list<int> Items) {
        QListWidget* Sites = Form->FindPage<txad::SitePage>()->clSedi;
        for (int I = 0; I < Sites->count(); ++I)
            Sites->item(I)->setCheckState(
                std::find(Items.begin(), Items.end(), I) != Items.end() ? Qt::Checked : Qt::Unchecked);
    }

    std::string Output(const std::string& Name) const {
        return testsupport::ReadFileBytes((DataDir / Name).string());
    }

    static fs::path DestDir(const std::string& Target) {
        return fs::path(platform::DeliveryBase()) / "rozadiver" / "datrex" / Target;
    }

    txad::SitePage* Sites() const { return Form->FindPage<txad::SitePage>(); }
    txad::RegistryPage* Registry() const { return Form->FindPage<txad::RegistryPage>(); }
    txad::ExportPage* Export() const { return Form->FindPage<txad::ExportPage>(); }

    RecordingPresenter Presenter;
    fs::path DataDir;
    // The form uses the data module: it goes first.
    std::unique_ptr<TdmTxadMain> Dm;
    std::unique_ptr<TfmTxadMain> Form;
};

} // namespace

TEST_F(ClassicMainForm, PagesAndButtonsByPath) {
    struct Page {
        int Index;
        bool Back, Next, Esci;
    };
    const struct {
        const char* Path;
        std::vector<Page> Pages;
    } Rows[] = {
        {"1", {{1, false, true, false}, {2, false, false, true}}},
        {"2", {{0, false, true, false}, {1, true, true, false}, {2, false, false, true}}},
        {"", {{0, false, true, false}, {1, false, true, false}, {2, false, false, true}}},
        {"3", {{0, false, true, false}, {1, false, true, false}, {2, false, false, true}}},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(std::string("path \"") + Row.Path + "\"");
        SetUp();
        TfmTxadMain& F = Open("aie", Row.Path);
        ASSERT_EQ(F.PageCount(), 3);
        EXPECT_EQ(F.findChild<QLineEdit*>("edNProto"), nullptr);
        EXPECT_EQ(Registry()->edNProto, nullptr);
        for (std::size_t P = 0; P < Row.Pages.size(); ++P) {
            const Page& Expected = Row.Pages[P];
            SCOPED_TRACE(P);
            ASSERT_EQ(F.ActivePageIndex(), Expected.Index);
            EXPECT_EQ(F.buPrior->isEnabled(), Expected.Back);
            EXPECT_EQ(F.buNext->isEnabled(), Expected.Next);
            EXPECT_EQ(F.buOk->isEnabled(), Expected.Esci);
            EXPECT_TRUE(F.buCancel->isEnabled());
            if (F.ActivePage() == Sites()) Tick({1, 2});
            if (P + 1 < Row.Pages.size()) Press(F.buNext);
        }
        EXPECT_TRUE(F.RunFinished());
        EXPECT_FALSE(F.RunStopped());
        EXPECT_TRUE(Presenter.Boxes.empty());
        TearDown();
    }
}

// On path "1" the registry page shows the packet as start-up loaded it, and
// the corrections made there reach the school file.
TEST_F(ClassicMainForm, RegistryCorrectionsReachTheSchoolFile) {
    TfmTxadMain& F = Open("aie", "1");
    ASSERT_EQ(F.ActivePage(), Registry());
    ASSERT_EQ(Registry()->grAnagrafica->model()->rowCount(), 3);
    EXPECT_EQ(Registry()->edNome->text(), "Istituto Comprensivo Dante Alighieri");
    // No former code (".") is an empty box.
    EXPECT_EQ(Registry()->edExCod->text(), "");

    Registry()->grAnagrafica->setCurrentIndex(Registry()->grAnagrafica->model()->index(2, 0));
    QApplication::processEvents();
    EXPECT_EQ(Registry()->edNome->text(), "Liceo Classico Morgagni");
    Registry()->edNome->setText("Liceo Morgagni");
    Registry()->edExCod->setText("BBPC00199Z");
    Press(Registry()->buEdit);
    Press(F.buNext);
    ASSERT_TRUE(F.RunFinished());
    EXPECT_TRUE(Presenter.Boxes.empty());

    const std::string School = Output("File014.txt");
    const std::size_t Third = School.find("R014BBPC00200B");
    ASSERT_NE(Third, std::string::npos);
    EXPECT_EQ(School.substr(Third + 14, 40), "BBPC00199ZLiceo Morgagni                ");
    // No code is collapsed: three records, header and trailer.
    EXPECT_NE(School.find("R099" + RunDay() + "    5\r\n"), std::string::npos);
}

// On path "2" every show of the registry page applies the ticks to the packet
// that leaving the site page has just reloaded: a changed choice never
// removes records twice; corrections of an earlier visit stay on the rows the
// new choice keeps and do not bring back the rows it drops.
TEST_F(ClassicMainForm, SiteChoiceAppliesToAFreshLoadOnEveryShow) {
    TfmTxadMain& F = Open("aie", "2");
    ASSERT_EQ(F.ActivePage(), Sites());
    ASSERT_EQ(Sites()->clSedi->count(), 3);

    Press(F.buNext);
    EXPECT_EQ(F.ActivePage(), Sites());
    ASSERT_EQ(Presenter.Boxes.size(), 1u);
    EXPECT_EQ(Presenter.Boxes[0].Text,
              "Per ogni codice meccanografico dev'essere selezionata\r\nuna e una sola descrizione: per il "
              "codice AAIC00100A nessuna \xE8 selezionata.");

    Tick({0, 2});
    Press(F.buNext);
    ASSERT_EQ(F.ActivePage(), Registry());
    EXPECT_EQ(Registry()->grAnagrafica->model()->rowCount(), 2);
    EXPECT_EQ(Registry()->edNome->text(), "Istituto Comprensivo Dante Alighieri");
    Registry()->edNome->setText("Nome corretto");
    Registry()->edExCod->clear();
    Press(Registry()->buEdit);
    Registry()->grAnagrafica->setCurrentIndex(Registry()->grAnagrafica->model()->index(1, 0));
    QApplication::processEvents();
    Registry()->edNome->setText("Liceo Morgagni");
    Registry()->edExCod->clear();
    Press(Registry()->buEdit);

    ASSERT_TRUE(F.buPrior->isEnabled());
    Press(F.buPrior);
    ASSERT_EQ(F.ActivePage(), Sites());
    Tick({1, 2});
    Press(F.buNext);
    ASSERT_EQ(F.ActivePage(), Registry());
    EXPECT_EQ(Registry()->grAnagrafica->model()->rowCount(), 2);
    EXPECT_EQ(Registry()->edNome->text(), "Plesso Pascoli");
    EXPECT_EQ(Registry()->edExCod->text(), "AAIC00099Z");

    Press(F.buNext);
    ASSERT_TRUE(F.RunFinished());
    EXPECT_EQ(Presenter.Boxes.size(), 1u);
    const std::string School = Output("File014.txt");
    EXPECT_EQ(School.find("Nome corretto"), std::string::npos);
    EXPECT_NE(School.find("R014AAIC00100AAAIC00099ZPlesso Pascoli "), std::string::npos);
    EXPECT_NE(School.find("R014BBPC00200B          Liceo Morgagni "), std::string::npos);
    // The school count stays the whole packet's; the trailer counts the choice.
    EXPECT_EQ(FirstLine(School), "R001" + RunDay() + "  21.0.2     01092021\r\n");
    EXPECT_NE(School.find("R099" + RunDay() + "    4\r\n"), std::string::npos);
}

TEST_F(ClassicMainForm, ExportPageWritesAndDelivers) {
    const struct {
        const char* Target;
        std::vector<std::string> Files;
        std::string FirstHeaderTail; // after the date
        std::string Delivery;        // start of the log's last text
    } Rows[] = {
        {"aie",
         {"File014.txt", "File622.txt", "File698.txt", "File815.txt", "File815E.txt"},
         "  21.0.2     01092021\r\n",
         "\r\nCopia files....\r\n"},
        {"anarpe",
         {"Adoz001.txt", "Adoz002.txt", "Adoz003.txt", "Adoz004.txt"},
         "01092021\r\n",
         "\r\nCreazione zip....\r\n"},
    };
    for (const auto& Row : Rows) {
        SCOPED_TRACE(Row.Target);
        SetUp();
        TfmTxadMain& F = Open(Row.Target, "1");
        EXPECT_TRUE(Presenter.Boxes.empty());
        Press(F.buNext);
        ASSERT_TRUE(F.RunFinished());
        ASSERT_FALSE(F.RunStopped()) << Export()->LogTexts().back();

        std::vector<std::string> Expected = {"Generazione files...."};
        for (const auto& File : Row.Files) Expected.push_back("- " + File + " - OK");
        Expected.push_back(Row.Delivery);
        const std::vector<std::string>& Log = Export()->LogTexts();
        ASSERT_EQ(Log.size(), Expected.size() + 1);
        for (std::size_t I = 0; I < Expected.size(); ++I) EXPECT_EQ(Log[I], Expected[I]);

        const std::string Header = Output(Row.Files[0]);
        const std::string Lead = std::string(Row.Target) == "aie" ? "R001" : "F";
        EXPECT_EQ(FirstLine(Header), Lead + RunDay() + Row.FirstHeaderTail);
        if (std::string(Row.Target) == "aie") {
            EXPECT_EQ(Output("File815E.txt"), "R001" + RunDay() + "  0\r\nR099" + RunDay() + "    2\r\n");
            for (const auto& File : Row.Files) {
                SCOPED_TRACE(File);
                EXPECT_EQ(testsupport::ReadFileBytes((DestDir(Row.Target) / File).string()), Output(File));
            }
        } else {
            // An archive names its entries in the clear.
            const std::string Zip = testsupport::ReadFileBytes((DestDir(Row.Target) / "Anarpe.zip").string());
            for (const auto& File : Row.Files) EXPECT_NE(Zip.find(File), std::string::npos) << File;
        }
        TearDown();
    }
}

// "Mostra file" shows the edition's own files: five for AIE, with the
// earlier layouts' field names.
TEST_F(ClassicMainForm, ShowFilesHasATabPerFileOfTheEdition) {
    for (const char* Target : {"aie", "anarpe"}) {
        SCOPED_TRACE(Target);
        SetUp();
        TfmTxadMain& F = Open(Target, "1");
        EXPECT_FALSE(Export()->buMostraFile->isVisible());
        Press(F.buNext);
        ASSERT_FALSE(F.RunStopped()) << Export()->LogTexts().back();
        ASSERT_TRUE(Export()->buMostraFile->isVisible());
        Press(Export()->buMostraFile);
        auto* Window = F.findChild<RecordFilesDialog*>();
        ASSERT_NE(Window, nullptr);
        const auto Files = txad::FileLayouts(txad::Edition::Classic, Target);
        ASSERT_EQ(Window->tcFiles->count(), static_cast<int>(Files.size()));
        EXPECT_EQ(Files.size(), std::string(Target) == "aie" ? 5u : 4u);
        for (int T = 0; T < Window->tcFiles->count(); ++T) {
            const txad::FileLayout& File = Files[static_cast<std::size_t>(T)];
            EXPECT_EQ(Window->tcFiles->tabText(T), ToQString(File.FileName));
            QTableView* View = Window->Table(T);
            ASSERT_NE(View, nullptr) << File.FileName;
            // The header's cells, column by column, give its line back.
            const QAbstractItemModel& Model = *View->model();
            const std::string Header = FirstLine(Output(std::string(File.FileName)));
            QString Shown;
            for (int C = 1; C < Model.columnCount(); ++C) Shown += Model.index(0, C).data().toString();
            EXPECT_EQ(Shown, ToQString(Header.substr(0, Header.size() - 2))) << File.FileName;
        }
        Window->reject();
        TearDown();
    }
}

// Without the parameter file the headers would lack its date: the error box
// names the file, a line below the pages says why, and the export page is
// never reached, on either path.
TEST_F(ClassicMainForm, MissingParameterFileKeepsTheExportOutOfReach) {
    for (const char* Path : {"1", "2"}) {
        SCOPED_TRACE(std::string("path ") + Path);
        SetUp();
        fs::rename(ParamFile("aie"), ParamFile("aie").string() + ".away");
        TfmTxadMain& F = Open("aie", Path);
        fs::rename(ParamFile("aie").string() + ".away", ParamFile("aie"));
        ASSERT_EQ(Presenter.Boxes.size(), 1u);
        EXPECT_NE(
            Presenter.Boxes[0].Text.find("File dei parametri non trovato: " + ParamFile("aie").string()),
            std::string::npos)
            << Presenter.Boxes[0].Text;
        EXPECT_FALSE(F.StartupComplete());
        EXPECT_TRUE(F.laStartupError->isVisible());
        Tick({1, 2});
        for (int I = 0; I < 3; ++I) Press(F.buNext);
        EXPECT_EQ(F.ActivePage(), Registry());
        EXPECT_FALSE(F.buNext->isEnabled());
        EXPECT_FALSE(F.RunFinished());
        EXPECT_FALSE(fs::exists(DataDir / "File014.txt"));
        TearDown();
    }
}
