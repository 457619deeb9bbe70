// The current edition's main form driven through its real widgets, offscreen:
// site choice, registry corrections, protocol number, anomaly log, button rule
// and start-up failures, each checked in the files the export writes.

#include "AppTestSupport.h"
#include "RecordingPresenter.h"
#include "TestSupport.h"
#include "export/RecordFilesDialog.h"
#include "export/RecordLayout.h"
#include "export/txadFMain.h"
#include "export/txadMMain.h"
#include "forms/DataSetModel.h"
#include "forms/QtText.h"
#include "platform/Platform.h"
#include "support/VxGlobals.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using apptest::SchoolRow;
using testsupport::ReadFileBytes;

namespace {

// Before any test of the program: the installation folder the registry file
// points at, and the framework's start-up.
const testsupport::ProgramStartup InstallationStep([] {
    apptest::PrepareInstallation(testsupport::SandboxDir());
    VxFrameworkStartup(false);
});

// Exposes the running flag, which only the export run sets otherwise.
class TestForm : public TfmTxadMain {
public:
    using TfmTxadMain::TfmTxadMain;
    using TfmTxadMainBase::FRunning;
};

const char* const SiteMessage =
    "Per ogni codice meccanogafico dev'essere selezionata\r\nuna e una sola descrizione.";
const char* const ExCodeMessage = "Il codice meccanografico dev'essere composto da 10 caratteri";

// A data folder with the demo's packets, optionally with its own registry
// packet, and the main form started on it and shown.
class MainForm {
public:
    MainForm(const std::string& Target, const std::string& Path, const std::vector<SchoolRow>* Rows = nullptr)
        : Dir(apptest::CopyDemoData(testsupport::SandboxDir())) {
        if (Rows) apptest::WriteRegistryPacket(Dir, *Rows);
        Start({Dir, Target, Path});
    }
    explicit MainForm(std::vector<std::string> Args) : Dir(Args.empty() ? std::string() : Args[0]) {
        Start(std::move(Args));
    }
    ~MainForm() { delete Form.data(); }
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    template <class T>
    T* Find(const char* Name) const {
        T* Widget = Form->findChild<T*>(Name);
        EXPECT_NE(Widget, nullptr) << Name;
        return Widget;
    }
    QPushButton* Button(const char* Name) const { return Find<QPushButton>(Name); }
    void Next() const { QTest::mouseClick(Button("buNext"), Qt::LeftButton); }
    void Back() const { QTest::mouseClick(Button("buPrior"), Qt::LeftButton); }
    int Page() const { return Form->ActivePageIndex(); }
    // Replaces the edit's text as a user would: select all, then type.
    void Type(const char* Edit, const QString& Text) const {
        QLineEdit* Line = Find<QLineEdit>(Edit);
        Line->setFocus();
        Line->selectAll();
        if (Text.isEmpty())
            QTest::keyClick(Line, Qt::Key_Delete);
        else
            QTest::keyClicks(Line, Text);
    }
    std::vector<std::string> Output(const char* Name) const { return apptest::FileLines(Dir + Name); }

    RecordingPresenter Boxes;
    std::string Dir;
    TdmTxadMain Dm;
    QPointer<TestForm> Form;

private:
    void Start(std::vector<std::string> Args) {
        Form = new TestForm(Dm, std::move(Args));
        Form->Create();
        Form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.data()));
    }
};

// The school records of File014.txt: code, former code and name (trimmed).
struct SchoolRecord {
    std::string Code;
    std::string ExCode;
    std::string Name;
    bool operator==(const SchoolRecord&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const SchoolRecord& R) {
    return Out << "{" << R.Code << "|" << R.ExCode << "|" << R.Name << "}";
}

std::string RightTrimmed(std::string Text) {
    while (!Text.empty() && Text.back() == ' ') Text.pop_back();
    return Text;
}

std::vector<SchoolRecord> SchoolRecords(const std::vector<std::string>& Lines) {
    std::vector<SchoolRecord> Records;
    for (const std::string& Line : Lines) {
        if (Line.compare(0, 4, "R014") != 0) continue;
        EXPECT_EQ(Line.size(), 345u) << Line;
        Records.push_back({Line.substr(4, 10), Line.substr(14, 10), RightTrimmed(Line.substr(24, 50))});
    }
    return Records;
}

const std::vector<SchoolRow> TwoSitesOfOneCode = {
    {"RMIC81500A", ".", "Sede centrale", "Via Roma 1"},
    {"RMIC81500A", ".", "Sede staccata", "Via Milano 2"},
    {"RMEE81501B", ".", "Primaria Pascoli", "Via Po 3"},
};

// ---- Site selection ---------------------------------------------------------------

TEST(SitePage, NextNeedsExactlyOneTickPerCode) {
    MainForm F("aie", "2", &TwoSitesOfOneCode);
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    ASSERT_EQ(F.Page(), 0);
    ASSERT_EQ(Sites->count(), 3);
    EXPECT_EQ(Sites->item(1)->text(), "RMIC81500A - Sede staccata - Via Milano 2");

    struct Case {
        const char* Name;
        std::vector<int> Ticked;
        bool Accepted;
    };
    const Case Cases[] = {
        {"none ticked", {}, false},
        {"single-description code unticked", {1}, false},
        {"two ticks under one code", {0, 1, 2}, false},
        {"one per code", {1, 2}, true},
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
            EXPECT_EQ(F.Boxes.Boxes[0].Text, SiteMessage);
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
    MainForm F("aie", "2", &TwoSitesOfOneCode);
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

// ---- School registry ---------------------------------------------------------------

const std::vector<SchoolRow> ThreeSchools = {
    {"AAAA000001", ".", "Prima scuola", "Via Uno"},
    {"BBBB000002", "OLDB000002", "Seconda scuola", "Via Due"},
    {"CCCC000003", ".", "Terza scuola", "Via Tre"},
};

// Opens the registry page on path "1".
void ToRegistry(MainForm& F) {
    ASSERT_EQ(F.Page(), 1);
    F.Next();
    ASSERT_EQ(F.Page(), 2);
}

TEST(RegistryPage, EditsFollowTheCurrentRowAndReachTheSchoolFileOnly) {
    MainForm F("aie", "1", &ThreeSchools);
    const std::string Packet = ReadFileBytes(F.Dir + "Body014.xml");
    ToRegistry(F);
    QTableView* Grid = F.Find<QTableView>("grAnagrafica");
    QLineEdit* Nome = F.Find<QLineEdit>("edNome");
    QLineEdit* ExCod = F.Find<QLineEdit>("edExCod");
    EXPECT_EQ(Nome->text(), "Prima scuola");
    // "." in the packet (no former code) is an empty box.
    EXPECT_EQ(ExCod->text(), "");

    // Each way of moving refreshes the edits, so Modifica writes the row shown.
    struct Move {
        const char* Name;
        std::function<void()> Do;
        const char* Nome;
        const char* ExCod;
    };
    const Move Moves[] = {
        {"Down", [&] { QTest::keyClick(Grid, Qt::Key_Down); }, "Seconda scuola", "OLDB000002"},
        {"PageDown", [&] { QTest::keyClick(Grid, Qt::Key_PageDown); }, "Terza scuola", ""},
        {"Home", [&] { QTest::keyClick(Grid, Qt::Key_Home, Qt::ControlModifier); }, "Prima scuola", ""},
        {"click",
         [&] {
             const QRect Cell = Grid->visualRect(Grid->model()->index(1, 3));
             QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, Cell.center());
         },
         "Seconda scuola", "OLDB000002"},
    };
    for (const Move& M : Moves) {
        SCOPED_TRACE(M.Name);
        M.Do();
        EXPECT_EQ(Nome->text(), M.Nome);
        EXPECT_EQ(ExCod->text(), M.ExCod);
    }

    // Row 1: a new name, the former code cleared (stored as ".").
    F.Type("edNome", "Seconda corretta");
    F.Type("edExCod", "");
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    EXPECT_TRUE(F.Boxes.Boxes.empty());
    // Row 0, reached by PageUp: a former code.
    QTest::keyClick(Grid, Qt::Key_PageUp);
    ASSERT_EQ(Nome->text(), "Prima scuola");
    F.Type("edExCod", "OLDA000001");
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    EXPECT_TRUE(F.Boxes.Boxes.empty());
    EXPECT_EQ(Grid->model()->index(0, 1).data().toString(), "OLDA000001");
    EXPECT_EQ(Grid->model()->index(1, 2).data().toString(), "Seconda corretta");

    F.Next();
    ASSERT_TRUE(F.Form->RunFinished());
    EXPECT_FALSE(F.Form->RunStopped());
    const std::vector<SchoolRecord> Expected = {{"AAAA000001", "OLDA000001", "Prima scuola"},
                                                {"BBBB000002", std::string(10, ' '), "Seconda corretta"},
                                                {"CCCC000003", std::string(10, ' '), "Terza scuola"}};
    EXPECT_EQ(SchoolRecords(F.Output("File014.txt")), Expected);
    EXPECT_EQ(ReadFileBytes(F.Dir + "Body014.xml"), Packet);
}

TEST(RegistryPage, FormerCodeOfTheWrongLengthIsRefused) {
    MainForm F("aie", "1", &ThreeSchools);
    ToRegistry(F);
    F.Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(F.Form.data()));
    QLineEdit* ExCod = F.Find<QLineEdit>("edExCod");
    struct Case {
        const char* Name;
        QString Typed;
    };
    const Case Cases[] = {
        {"blanks only", "   "},
        {"too short", "OLD1"},
        {"the no-code mark as loaded", "."},
        {"blanks around a short code", " OLDA00001"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        F.Type("edNome", "Nome nuovo");
        F.Type("edExCod", C.Typed);
        ASSERT_EQ(ExCod->text(), C.Typed);
        F.Boxes.Boxes.clear();
        QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
        ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
        EXPECT_EQ(F.Boxes.Boxes[0].Text, ExCodeMessage);
        EXPECT_EQ(F.Boxes.Boxes[0].Caption, "Errore");
        EXPECT_TRUE(ExCod->hasFocus());
        // Nothing is stored, not even the name.
        EXPECT_EQ(F.Dm.cdsMain.FieldByName("Nome").AsString(), "Prima scuola");
        EXPECT_EQ(F.Dm.cdsMain.FieldByName("ExCodScuola").AsString(), ".");
    }
}

// Row 1 is exactly 30 characters, rows 2 and 3 are longer.
const std::vector<SchoolRow> NameLengths = {
    {"AAAA000001", ".", "Breve", "Via Uno"},
    {"BBBB000002", ".", std::string(30, 'B'), "Via Due"},
    {"CCCC000003", ".", std::string(31, 'C'), "Via Tre"},
    {"DDDD000004", ".", "Istituto Comprensivo Statale Giuseppe Garibaldi", "Via Quattro"},
};

TEST(RegistryPage, NamesOverThirtyCharactersAreHighlighted) {
    MainForm F("aie", "1", &NameLengths);
    ToRegistry(F);
    QTableView* Grid = F.Find<QTableView>("grAnagrafica");
    // Yellow, maybe under the style's translucent focus frame of the current cell.
    const auto Yellowish = [](const QColor& C) { return C.red() > 200 && C.green() > 200 && C.blue() < 200; };
    // The current row too: the selection colour does not hide the yellow.
    for (int Current : {0, 3}) {
        SCOPED_TRACE("current row " + std::to_string(Current));
        if (Current == 3)
            for (int I = 0; I < 3; ++I) QTest::keyClick(Grid, Qt::Key_Down);
        ASSERT_EQ(F.Dm.dsMain->CurrentRow(), Current);
        QApplication::processEvents();
        const QImage Shot = Grid->viewport()->grab().toImage();
        for (int Row = 0; Row < 4; ++Row) {
            SCOPED_TRACE(Row);
            const bool Long = Row >= 2;
            EXPECT_EQ(F.Form->RowHighlighted(Row), Long);
            // Every cell of the row, not only the name; sampled where no text is drawn.
            for (int Column = 0; Column < 5; ++Column) {
                const QRect Cell = Grid->visualRect(Grid->model()->index(Row, Column));
                if (!Cell.isValid() || Cell.left() < 0 || Cell.right() >= Shot.width()) continue;
                const QPoint Sample(Cell.right() - 2, Cell.center().y());
                const QColor Pixel = Shot.pixelColor(Sample * Shot.devicePixelRatio());
                EXPECT_EQ(Yellowish(Pixel), Long) << "column " << Column << " " << Pixel.name().toStdString();
                if (Long && Row != Current) {
                    EXPECT_EQ(Pixel, QColor(255, 255, 132));
                }
            }
        }
    }
    // The legend's swatch is a slightly different yellow.
    const QImage Swatch = F.Find<QWidget>("shYellow")->grab().toImage();
    EXPECT_EQ(Swatch.pixelColor(Swatch.rect().center()), QColor(255, 255, 119));
    // Off on the export page: the grid stays bound to a dataset without names.
    F.Next();
    EXPECT_FALSE(F.Form->HighlightNames());
}

TEST(RegistryPage, TypedNamesStopAtThirtyButLoadedNamesStayWhole) {
    MainForm F("aie", "1", &NameLengths);
    ToRegistry(F);
    QTableView* Grid = F.Find<QTableView>("grAnagrafica");
    QLineEdit* Nome = F.Find<QLineEdit>("edNome");
    const QString LongName = "Istituto Comprensivo Statale Giuseppe Garibaldi";

    // Typing: 35 characters give 30.
    F.Type("edNome", QString(35, 'x'));
    EXPECT_EQ(Nome->text(), QString(30, 'x'));

    // A loaded long name is shown whole; typing at its end is refused,
    // shortening is allowed.
    QTest::keyClick(Grid, Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(Nome->text(), LongName);
    Nome->setFocus();
    Nome->end(false);
    QTest::keyClicks(Nome, "Z");
    EXPECT_EQ(Nome->text(), LongName);
    // In the middle: text and cursor stay.
    Nome->setCursorPosition(5);
    QTest::keyClicks(Nome, "QQ");
    EXPECT_EQ(Nome->text(), LongName);
    EXPECT_EQ(Nome->cursorPosition(), 5);
    // Stored back whole with Modifica, still highlighted, written whole.
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    EXPECT_TRUE(F.Boxes.Boxes.empty());
    EXPECT_TRUE(F.Form->RowHighlighted(3));
    // Shortening stays possible; growing again beyond 30 does not.
    Nome->setFocus();
    Nome->end(false);
    QTest::keyClick(Nome, Qt::Key_Backspace);
    EXPECT_EQ(Nome->text(), LongName.left(LongName.size() - 1));
    QTest::keyClicks(Nome, "i");
    EXPECT_EQ(Nome->text(), LongName.left(LongName.size() - 1));
    F.Next();
    const std::vector<SchoolRecord> Records = SchoolRecords(F.Output("File014.txt"));
    ASSERT_EQ(Records.size(), 4u);
    EXPECT_EQ(Records[3].Name, FromQString(LongName));
}

TEST(RegistryPage, ProtocolNumberReachesTheFirstHeaderAndSurvivesBack) {
    MainForm F("aie", "1", &ThreeSchools);
    ToRegistry(F);
    F.Type("edNProto", "PROT/2021-77");
    F.Back();
    ASSERT_EQ(F.Page(), 1);
    F.Next();
    ASSERT_EQ(F.Page(), 2);
    EXPECT_EQ(F.Find<QLineEdit>("edNProto")->text(), "PROT/2021-77");
    F.Type("edNProto", QString("P").repeated(35));
    EXPECT_EQ(F.Find<QLineEdit>("edNProto")->text(), QString("P").repeated(30));
    F.Type("edNProto", "PROT/2021-77");
    F.Next();
    ASSERT_TRUE(F.Form->RunFinished());
    const std::vector<std::string> Lines = F.Output("File014.txt");
    ASSERT_FALSE(Lines.empty());
    const std::string& Header = Lines[0];
    const std::size_t Software = Header.find("ZURO_3.1.0");
    ASSERT_NE(Software, std::string::npos) << Header;
    // Software identifier, catalogue date, protocol number in 30, date.
    const std::string Catalogue = Header.substr(Software + 10, Header.size() - Software - 10 - 30 - 8);
    EXPECT_EQ(Header.substr(Software + 10 + Catalogue.size(), 30), PadR("PROT/2021-77", " ", 30));
    // Only the first file carries it.
    EXPECT_EQ(F.Output("File622.txt")[0].find("PROT"), std::string::npos);
}

// ---- Anomaly page --------------------------------------------------------------------

std::string ExpectedLog(const QPlainTextEdit* Memo) {
    std::string Bytes;
    for (const QString& Line : Memo->toPlainText().split('\n')) Bytes += FromQString(Line) + "\r\n";
    return Bytes;
}

TEST(AnomalyPage, StampaWritesTheLogAndOpensIt) {
    MainForm F("aie", "1");
    std::vector<std::string> Opened;
    F.Form->OpenDocument = [&](const std::string& Path) {
        Opened.push_back(Path);
        return true;
    };
    const QPlainTextEdit* Memo = F.Find<QPlainTextEdit>("meOut");
    QPushButton* Stampa = F.Button("buStampa");
    EXPECT_EQ(Stampa->text(), "&Stampa Anomalie");
    QTest::mouseClick(Stampa, Qt::LeftButton);
    QTest::mouseClick(Stampa, Qt::LeftButton);
    const std::string Log = ReadFileBytes(F.Dir + "Log.txt");
    // Pressed twice: the report once, as shown, in CP1252 with CR LF.
    EXPECT_EQ(Log, ExpectedLog(Memo));
    EXPECT_EQ(Log.rfind("VERIFICA DEI DATI ESPORTATI                   ", 0), 0u);
    EXPECT_NE(Log.find("\r\n" + std::string(78, '=') + "\r\n"), std::string::npos);
    // The demo has anomalies, whose reasons hold an accented letter.
    EXPECT_NE(Log.find("pu\xF2 essere"), std::string::npos);
    // The closing line ends the log.
    EXPECT_EQ(Log.substr(Log.size() - 81), "\n" + std::string(78, '=') + "\r\n");
    EXPECT_EQ(Opened, (std::vector<std::string>{F.Dir + "Log.txt", F.Dir + "Log.txt"}));
    EXPECT_TRUE(F.Boxes.Boxes.empty());
}

TEST(AnomalyPage, FailuresAreShown) {
    struct Case {
        const char* Name;
        bool LogIsFolder;
        bool OpenerWorks;
        const char* Message;
        bool Opens;
    };
    const Case Cases[] = {
        {"no viewer", false, false, "Il file \xE8 stato salvato in ", true},
        {"log cannot be written", true, true, "Cannot create file ", false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        MainForm F("aie", "1");
        if (C.LogIsFolder) fs::create_directory(F.Dir + "Log.txt");
        int Calls = 0;
        F.Form->OpenDocument = [&](const std::string&) {
            ++Calls;
            return C.OpenerWorks;
        };
        QTest::mouseClick(F.Button("buStampa"), Qt::LeftButton);
        EXPECT_EQ(Calls, C.Opens ? 1 : 0);
        ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
        EXPECT_NE(F.Boxes.Boxes[0].Text.find(std::string(C.Message) + F.Dir + "Log.txt"), std::string::npos)
            << F.Boxes.Boxes[0].Text;
        EXPECT_TRUE(F.Form->isVisible());
    }
}

// ---- Button rule, closing, start-up failures ----------------------------------------------

struct Buttons {
    bool Prior, Next, Ok;
    bool operator==(const Buttons&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const Buttons& B) {
    return Out << "{Indietro " << B.Prior << ", Avanti " << B.Next << ", Esci " << B.Ok << "}";
}

Buttons ButtonsOf(const MainForm& F) {
    return {F.Button("buPrior")->isEnabled(), F.Button("buNext")->isEnabled(), F.Button("buOk")->isEnabled()};
}

const std::vector<SchoolRow> TwoSchools = {
    {"AAAA000001", ".", "Prima scuola", "Via Uno"},
    {"BBBB000002", ".", "Seconda scuola", "Via Due"},
};

TEST(ButtonRule, FollowsPathAndPage) {
    struct Step {
        int Page;
        Buttons Expected;
    };
    struct Case {
        const char* Path;
        std::vector<Step> Steps;
    };
    const Case Cases[] = {
        {"1", {{1, {false, true, false}}, {2, {true, true, false}}, {3, {false, false, true}}}},
        {"2",
         {{0, {false, true, false}},
          {1, {true, true, false}},
          {2, {true, true, false}},
          {3, {false, false, true}}}},
        {"",
         {{0, {false, true, false}},
          {1, {false, true, false}},
          {2, {false, true, false}},
          {3, {false, false, true}}}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string("path \"") + C.Path + "\"");
        MainForm F("aie", C.Path, &TwoSchools);
        QListWidget* Sites = F.Find<QListWidget>("clSedi");
        for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
        for (std::size_t S = 0; S < C.Steps.size(); ++S) {
            SCOPED_TRACE(S);
            if (S > 0) F.Next();
            ASSERT_EQ(F.Page(), C.Steps[S].Page);
            EXPECT_EQ(ButtonsOf(F), C.Steps[S].Expected);
            EXPECT_TRUE(F.Button("buCancel")->isEnabled());
        }
        EXPECT_TRUE(F.Form->RunFinished());
        EXPECT_FALSE(F.Form->RunStopped());
        EXPECT_TRUE(F.Boxes.Boxes.empty()) << F.Boxes.Boxes[0].Text;
    }
}

TEST(Closing, EsciAndAnnullaCloseTheWindow) {
    struct Case {
        const char* Name;
        bool ToExportPage;
        std::function<void(MainForm&)> Close;
    };
    const Case Cases[] = {
        {"Annulla", false, [](MainForm& F) { QTest::mouseClick(F.Button("buCancel"), Qt::LeftButton); }},
        {"Esc", false, [](MainForm& F) { QTest::keyClick(F.Form.data(), Qt::Key_Escape); }},
        {"Esci", true, [](MainForm& F) { QTest::mouseClick(F.Button("buOk"), Qt::LeftButton); }},
        {"Enter on the export page", true,
         [](MainForm& F) { QTest::keyClick(F.Form.data(), Qt::Key_Return); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        MainForm F("aie", "1", &TwoSchools);
        if (C.ToExportPage) {
            F.Next();
            F.Next();
            ASSERT_EQ(F.Page(), 3);
        }
        C.Close(F);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(F.Form.isNull() || !F.Form->isVisible());
    }
}

TEST(Closing, RunningExportKeepsTheWindow) {
    MainForm F("aie", "1", &TwoSchools);
    F.Form->FRunning = true;
    EXPECT_FALSE(F.Form->close());
    F.Form->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(F.Form.isNull());
    EXPECT_TRUE(F.Form->isVisible());
    F.Form->FRunning = false;
    EXPECT_TRUE(F.Form->close());
}

// While the archive is packed the zip component's progress window takes
// input: a close request reaching the main window then is refused.
TEST(Closing, ExportRunRefusesToClose) {
    MainForm F("anarpe", "1", &TwoSchools);
    F.Dm.zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
    int Attempts = 0;
    bool Closed = false;
    F.Dm.zpOut.OnZEDProgressEvent = [&](TZip*, const std::string&, int32_t, int32_t) {
        ++Attempts;
        Closed |= F.Form->close();
        F.Form->reject();
        QTest::keyClick(F.Form.data(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    F.Next();
    F.Next();
    ASSERT_FALSE(F.Form.isNull());
    EXPECT_GT(Attempts, 0);
    EXPECT_FALSE(Closed);
    EXPECT_TRUE(F.Form->isVisible());
    ASSERT_TRUE(F.Form->RunFinished());
    EXPECT_FALSE(F.Form->RunStopped()) << F.Form->LogTexts().back();
    EXPECT_TRUE(fs::exists(testsupport::SandboxDir() + "/home/rozadiver/datrex/anarpe/Anarpe.zip"));
    // Once the run is over, Esci works.
    EXPECT_TRUE(F.Form->close());
}

TEST(Startup, FailuresKeepTheWindowOpenAndTheExportOutOfReach) {
    const std::string Data = apptest::CopyDemoData(testsupport::SandboxDir());
    const std::string NoClasses = apptest::CopyDemoData(testsupport::SandboxDir());
    fs::remove(NoClasses + "Body622.xml");
    // Packets are parsed ahead, side by side: the one reported is still the
    // first that the start-up reads (the check's, then the registry).
    auto Broken = [](const std::vector<std::string>& Names, const std::vector<std::string>& Missing = {}) {
        const std::string Dir = apptest::CopyDemoData(testsupport::SandboxDir());
        for (const std::string& Name : Names)
            testsupport::WriteFileBytes(Dir + Name, "<DATAPACKET><METADATA>");
        for (const std::string& Name : Missing) fs::remove(Dir + Name);
        return Dir;
    };
    const std::string ClassesAndExtensions = Broken({"Body622.xml", "Body815E.xml"});
    const std::string AdoptionsAndExtensions = Broken({"Body815E.xml", "Body815.xml"});
    const std::string ExtensionsNoRegistry = Broken({"Body815E.xml"}, {"Body014.xml"});
    const std::string Registry = Broken({"Body014.xml"});
    struct Case {
        const char* Name;
        std::vector<std::string> Args;
        std::string Message;
    };
    const Case Cases[] = {
        {"unknown target", {Data, "AIE", "1"}, "Destinatario non riconosciuto: AIE"},
        {"empty data folder", {"", "aie", "1"}, "Cartella dei dati non indicata"},
        {"missing class packet", {NoClasses, "aie", "1"}, "Cannot open file " + NoClasses + "Body622.xml"},
        {"broken class and extension packets",
         {ClassesAndExtensions, "aie", "1"},
         "Invalid data packet " + ClassesAndExtensions + "Body622.xml"},
        {"broken adoption and extension packets",
         {AdoptionsAndExtensions, "aie", "2"},
         "Invalid data packet " + AdoptionsAndExtensions + "Body815.xml"},
        {"broken extension packet, no registry",
         {ExtensionsNoRegistry, "aie", "1"},
         "Invalid data packet " + ExtensionsNoRegistry + "Body815E.xml"},
        {"broken registry", {Registry, "anarpe", "1"}, "Invalid data packet " + Registry + "Body014.xml"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        MainForm F(C.Args);
        ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
        EXPECT_EQ(F.Boxes.Boxes[0].Caption, "adoxport");
        EXPECT_NE(F.Boxes.Boxes[0].Text.find(C.Message), std::string::npos) << F.Boxes.Boxes[0].Text;
        EXPECT_TRUE(F.Form->isVisible());
        EXPECT_FALSE(F.Form->StartupComplete());
        EXPECT_EQ(ButtonsOf(F), (Buttons{false, false, false}));
        EXPECT_TRUE(F.Button("buCancel")->isEnabled());
        F.Next();
        QTest::keyClick(F.Form.data(), Qt::Key_Return);
        EXPECT_NE(F.Page(), F.Form->ExportPageIndex());
        EXPECT_FALSE(F.Form->RunFinished());
    }
    EXPECT_FALSE(fs::exists(Data + "File014.txt"));
}

// ---- Start-up set-up that is not complete -----------------------------------------------

// Changes the installation for one case (the registry file or the parameter
// file) and puts it back afterwards.
class BrokenSetup {
public:
    enum Kind { NoRegistryFile, NoKey, NoValue, NoParamFile };
    explicit BrokenSetup(Kind What) : FHklm(platform::HklmFilePath()), FSaved(ReadFileBytes(FHklm)) {
        const std::string Head = "REGEDIT4\r\n\r\n";
        switch (What) {
        case NoRegistryFile: fs::remove(FHklm); break;
        case NoKey:
            testsupport::WriteFileBytes(
                FHklm, Head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro]\r\n\"MainDir\"=\"/x/\"\r\n");
            break;
        case NoValue:
            testsupport::WriteFileBytes(
                FHklm, Head + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"Lib\"=\"/x/\"\r\n");
            break;
        case NoParamFile: fs::rename(ParamFile(), ParamFile() + ".away"); break;
        }
    }
    ~BrokenSetup() {
        testsupport::WriteFileBytes(FHklm, FSaved);
        std::error_code Ec;
        if (fs::exists(ParamFile() + ".away")) fs::rename(ParamFile() + ".away", ParamFile(), Ec);
    }
    BrokenSetup(const BrokenSetup&) = delete;
    BrokenSetup& operator=(const BrokenSetup&) = delete;

    static std::string ParamFile() { return testsupport::SandboxDir() + "/install/ETC/datrex/aie.ufp"; }

private:
    std::string FHklm;
    std::string FSaved;
};

// Every way the installation can be incomplete is named in the error box,
// and no way through the window reaches the export: the header records
// would otherwise go out without the parameter file's date.
TEST(Startup, IncompleteInstallationNamesWhatIsMissingAndNeverExports) {
    const std::string Hklm = platform::HklmFilePath();
    const std::string Key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale";
    struct Case {
        const char* Name;
        BrokenSetup::Kind What;
        std::vector<std::string> Named;
    };
    const Case Cases[] = {
        {"no registry file", BrokenSetup::NoRegistryFile, {Hklm, "ADOXPORT_HKLM"}},
        {"no key", BrokenSetup::NoKey, {"Manca la chiave " + Key, Hklm, "ADOXPORT_HKLM"}},
        {"no MainDir value", BrokenSetup::NoValue, {"Manca il valore MainDir sotto la chiave " + Key, Hklm}},
        {"no parameter file",
         BrokenSetup::NoParamFile,
         {"File dei parametri non trovato: " + BrokenSetup::ParamFile()}},
    };
    for (const Case& C : Cases) {
        for (const char* Path : {"1", "2"}) {
            SCOPED_TRACE(std::string(C.Name) + ", path " + Path);
            BrokenSetup Broken(C.What);
            MainForm F("aie", Path, &TwoSchools);
            ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
            const std::string& Text = F.Boxes.Boxes[0].Text;
            EXPECT_EQ(F.Boxes.Boxes[0].Caption, "adoxport");
            for (const std::string& Part : C.Named) EXPECT_NE(Text.find(Part), std::string::npos) << Text;
            EXPECT_EQ(Text.substr(Text.rfind('\n') + 1), "Invalid argument to date encode.");
            EXPECT_FALSE(F.Form->StartupComplete());
            // The window stays open and says in one line why there is no export.
            EXPECT_TRUE(F.Form->isVisible());
            QLabel* Notice = F.Find<QLabel>("laStartupError");
            EXPECT_TRUE(Notice->isVisible());
            EXPECT_TRUE(Notice->text().startsWith("Esportazione non possibile: "))
                << Notice->text().toStdString();
            EXPECT_FALSE(Notice->text().contains('\n'));
            // The report stays readable; the pages before the export can be walked.
            EXPECT_FALSE(F.Find<QPlainTextEdit>("meOut")->toPlainText().isEmpty());
            QListWidget* Sites = F.Find<QListWidget>("clSedi");
            for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
            for (int Press = 0; Press < 4; ++Press) {
                F.Next();
                QTest::keyClick(F.Form.data(), Qt::Key_Return);
            }
            EXPECT_EQ(F.Page(), F.Form->RegistryPageIndex());
            EXPECT_FALSE(F.Button("buNext")->isEnabled());
            EXPECT_FALSE(F.Form->RunFinished());
            EXPECT_FALSE(fs::exists(F.Dir + "File014.txt"));
        }
    }
}

TEST(Startup, CompleteStartupShowsNoNotice) {
    MainForm F("aie", "1", &TwoSchools);
    EXPECT_TRUE(F.Form->StartupComplete());
    EXPECT_FALSE(F.Find<QLabel>("laStartupError")->isVisible());
    EXPECT_TRUE(F.Boxes.Boxes.empty());
}

// ---- Corrections across Back and Next --------------------------------------------------

TEST(RegistryPage, CorrectionsSurviveBackAndNext) {
    // Path "1": corrections of two rows, Back to the anomalies and Next again.
    {
        SCOPED_TRACE("path 1");
        MainForm F("aie", "1", &ThreeSchools);
        ToRegistry(F);
        QTableView* Grid = F.Find<QTableView>("grAnagrafica");
        F.Type("edExCod", "OLDA000001");
        QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
        QTest::keyClick(Grid, Qt::Key_Down);
        F.Type("edNome", "Seconda corretta");
        QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
        F.Back();
        ASSERT_EQ(F.Page(), 1);
        F.Next();
        ASSERT_EQ(F.Page(), 2);
        EXPECT_EQ(F.Find<QLineEdit>("edExCod")->text(), "OLDA000001");
        EXPECT_EQ(Grid->model()->index(1, 2).data().toString(), "Seconda corretta");
        F.Next();
        ASSERT_TRUE(F.Form->RunFinished());
        const std::vector<SchoolRecord> Expected = {{"AAAA000001", "OLDA000001", "Prima scuola"},
                                                    {"BBBB000002", "OLDB000002", "Seconda corretta"},
                                                    {"CCCC000003", std::string(10, ' '), "Terza scuola"}};
        EXPECT_EQ(SchoolRecords(F.Output("File014.txt")), Expected);
        EXPECT_TRUE(F.Boxes.Boxes.empty());
    }
    // Path "2": the kept rows keep their corrections; a site unticked on the
    // way back stays out, with its correction.
    {
        SCOPED_TRACE("path 2");
        MainForm F("aie", "2", &TwoSitesOfOneCode);
        QListWidget* Sites = F.Find<QListWidget>("clSedi");
        Sites->item(0)->setCheckState(Qt::Checked);
        Sites->item(2)->setCheckState(Qt::Checked);
        F.Next();
        F.Next();
        ASSERT_EQ(F.Page(), 2);
        QTableView* Grid = F.Find<QTableView>("grAnagrafica");
        F.Type("edNome", "Centrale corretta");
        QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
        QTest::keyClick(Grid, Qt::Key_Down);
        F.Type("edNome", "Pascoli corretta");
        QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
        F.Back();
        F.Back();
        ASSERT_EQ(F.Page(), 0);
        Sites->item(0)->setCheckState(Qt::Unchecked);
        Sites->item(1)->setCheckState(Qt::Checked);
        F.Next();
        F.Next();
        ASSERT_EQ(F.Page(), 2);
        ASSERT_EQ(F.Dm.cdsMain.RecordCount(), 2);
        F.Next();
        ASSERT_TRUE(F.Form->RunFinished());
        const std::vector<SchoolRecord> Expected = {{"RMIC81500A", std::string(10, ' '), "Sede staccata"},
                                                    {"RMEE81501B", std::string(10, ' '), "Pascoli corretta"}};
        EXPECT_EQ(SchoolRecords(F.Output("File014.txt")), Expected);
    }
}

// ---- Rows the school file does not take ----------------------------------------------------

// On path "1" the second site of a code is in the grid but not in the file:
// it is grey, says why, and cannot be corrected.
TEST(RegistryPage, LaterSitesOfACodeCannotBeCorrected) {
    MainForm F("aie", "1", &TwoSitesOfOneCode);
    ToRegistry(F);
    QTableView* Grid = F.Find<QTableView>("grAnagrafica");
    QLineEdit* Nome = F.Find<QLineEdit>("edNome");
    struct Row {
        int Position;
        const char* Name;
        bool Exported;
    };
    const Row Rows[] = {
        {0, "Sede centrale", true},
        {1, "Sede staccata", false},
        {2, "Primaria Pascoli", true},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        Grid->setCurrentIndex(Grid->model()->index(R.Position, 0));
        ASSERT_EQ(Nome->text(), R.Name);
        EXPECT_EQ(F.Form->RowExported(R.Position), R.Exported);
        EXPECT_EQ(Nome->isEnabled(), R.Exported);
        EXPECT_EQ(F.Find<QLineEdit>("edExCod")->isEnabled(), R.Exported);
        EXPECT_EQ(F.Button("buEdit")->isEnabled(), R.Exported);
        EXPECT_EQ(F.Button("buEdit")->toolTip().contains("la prima"), !R.Exported);
    }
    // The later row's text is grey, the others' dark.
    QApplication::processEvents();
    const QImage Shot = Grid->viewport()->grab().toImage();
    const auto Darkest = [&](int Row) {
        const QRect Cell = Grid->visualRect(Grid->model()->index(Row, 3));
        int Least = 255;
        for (int X = Cell.left(); X < Cell.right(); ++X)
            for (int Y = Cell.top(); Y < Cell.bottom(); ++Y)
                Least = std::min(Least, qGray(Shot.pixel(QPoint(X, Y) * Shot.devicePixelRatio())));
        return Least;
    };
    EXPECT_LT(Darkest(0), 80);
    EXPECT_LT(Darkest(2), 80);
    EXPECT_GT(Darkest(1), 110);
    // What a correction on the later row would need: it cannot be stored.
    Grid->setCurrentIndex(Grid->model()->index(1, 0));
    Nome->setText("Staccata corretta");
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    EXPECT_EQ(Grid->model()->index(1, 2).data().toString(), "Sede staccata");
    F.Next();
    const std::vector<SchoolRecord> Expected = {{"RMIC81500A", std::string(10, ' '), "Sede centrale"},
                                                {"RMEE81501B", std::string(10, ' '), "Primaria Pascoli"}};
    EXPECT_EQ(SchoolRecords(F.Output("File014.txt")), Expected);
}

// ---- Keyboard ------------------------------------------------------------------------------

void Activate(MainForm& F) {
    F.Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(F.Form.data()));
}

TEST(Keyboard, TabLeavesTheGridInTheRegistryTabOrder) {
    MainForm F("aie", "1", &ThreeSchools);
    Activate(F);
    ToRegistry(F);
    ASSERT_EQ(QApplication::focusWidget(), F.Find<QWidget>("grAnagrafica"));
    const char* const Order[] = {"edNome", "edExCod", "buEdit", "edNProto", "cbCor"};
    for (const char* Name : Order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), Name);
    }
    for (int I = 4; I > 0; --I) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "edNome");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "grAnagrafica");
}

// A page opens with the keyboard in it, not on Annulla: a Space meant for
// the site list ticks a site instead of ending the wizard.
TEST(Keyboard, EachPageOpensWithTheKeyboardOnItsContent) {
    {
        MainForm F("aie", "2", &TwoSitesOfOneCode);
        Activate(F);
        ASSERT_EQ(QApplication::focusWidget(), F.Find<QWidget>("clSedi"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        ASSERT_FALSE(F.Form.isNull());
        EXPECT_TRUE(F.Form->isVisible());
        EXPECT_EQ(F.Find<QListWidget>("clSedi")->item(0)->checkState(), Qt::Checked);
    }
    MainForm F("aie", "1", &ThreeSchools);
    Activate(F);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_TRUE(F.Form->pcMain->widget(F.Page())->isAncestorOf(QApplication::focusWidget()))
        << QApplication::focusWidget()->objectName().toStdString();
}

// Enter never cancels: with Annulla focused it presses Avanti; in the
// correction edits it stores the correction; on the export page it is Esci.
TEST(Keyboard, EnterGoesOnAndNeverCancels) {
    MainForm F("aie", "1", &ThreeSchools);
    Activate(F);
    F.Button("buCancel")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_FALSE(F.Form.isNull());
    EXPECT_TRUE(F.Form->isVisible());
    ASSERT_EQ(F.Page(), 2);
    F.Type("edNome", "Prima corretta");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(F.Page(), 2);
    EXPECT_EQ(F.Dm.cdsMain.FieldByName("Nome").AsString(), "Prima corretta");
    F.Type("edNProto", "P-1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(F.Page(), 3);
    ASSERT_TRUE(F.Form->RunFinished());
    EXPECT_EQ(SchoolRecords(F.Output("File014.txt"))[0].Name, "Prima corretta");
    QTest::keyClick(F.Form.data(), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(F.Form.isNull() || !F.Form->isVisible());
}

TEST(Keyboard, EveryButtonHasAWorkingAltShortcut) {
    struct Case {
        const char* Name;
        Qt::Key Key;
        int StartPage; // 1 anomalies, 2 registry, 3 export
        std::function<bool(MainForm&)> Done;
    };
    int Opened = 0;
    const Case Cases[] = {
        {"Avanti", Qt::Key_A, 1, [](MainForm& F) { return F.Page() == 2; }},
        {"Indietro", Qt::Key_I, 2, [](MainForm& F) { return F.Page() == 1; }},
        {"Stampa Anomalie", Qt::Key_S, 1, [&Opened](MainForm&) { return Opened == 1; }},
        {"Modifica", Qt::Key_M, 2,
         [](MainForm& F) { return F.Dm.cdsMain.FieldByName("ExCodScuola").AsString() == "OLDA000001"; }},
        {"Nome", Qt::Key_N, 2, [](MainForm& F) { return F.Find<QLineEdit>("edNome")->hasFocus(); }},
        {"Ex codice", Qt::Key_X, 2, [](MainForm& F) { return F.Find<QLineEdit>("edExCod")->hasFocus(); }},
        {"protocollo", Qt::Key_P, 2, [](MainForm& F) { return F.Find<QLineEdit>("edNProto")->hasFocus(); }},
        {"Correzione", Qt::Key_C, 2, [](MainForm& F) { return F.Find<QCheckBox>("cbCor")->isChecked(); }},
        {"Annulla", Qt::Key_U, 1, [](MainForm& F) { return F.Form.isNull() || !F.Form->isVisible(); }},
        {"Esci", Qt::Key_E, 3, [](MainForm& F) { return F.Form.isNull() || !F.Form->isVisible(); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Opened = 0;
        MainForm F("aie", "1", &ThreeSchools);
        F.Form->OpenDocument = [&Opened](const std::string&) { return ++Opened > 0; };
        Activate(F);
        while (F.Page() < C.StartPage) F.Next();
        if (C.Key == Qt::Key_M) F.Find<QLineEdit>("edExCod")->setText("OLDA000001");
        QTest::keyClick(F.Form.data(), C.Key, Qt::AltModifier);
        // A button's shortcut clicks it after a short animation.
        for (int Wait = 0; Wait < 50 && !C.Done(F); ++Wait) {
            QTest::qWait(20);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        EXPECT_TRUE(C.Done(F));
    }
}

// ---- Window ------------------------------------------------------------------------------------

TEST(Window, TitleNamesTheStepAndTheWindowGrows) {
    MainForm F("aie", "2", &TwoSchools);
    const QSize Least = F.Form->size();
    EXPECT_EQ(Least, QSize(678, 467));
    EXPECT_EQ(F.Form->minimumSize(), QSize(678, 467));
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    for (int I = 0; I < Sites->count(); ++I) Sites->item(I)->setCheckState(Qt::Checked);
    const char* const Titles[] = {"Selezione sedi", "Anomalie", "Anagrafica", "Esportazione"};
    for (int Page = 0; Page < 4; ++Page) {
        SCOPED_TRACE(Page);
        if (Page > 0) F.Next();
        EXPECT_EQ(F.Form->windowTitle(), QString::fromUtf8("adoxport \u2013 ") + Titles[Page]);
        if (Page == 2) {
            QTableView* Grid = F.Find<QTableView>("grAnagrafica");
            const QSize Before = Grid->size();
            F.Form->resize(1000, 700);
            QApplication::processEvents();
            EXPECT_EQ(F.Form->size(), QSize(1000, 700));
            EXPECT_GT(Grid->width(), Before.width());
            EXPECT_GT(Grid->height(), Before.height());
            F.Form->resize(Least);
        }
    }
}

// The grid's tooltip: the whole text of a cut cell, and why a row is grey.
TEST(RegistryPage, GridTooltipsShowCutTextAndWhyARowIsGrey) {
    const std::string Long = "Istituto Comprensivo Statale Giuseppe Garibaldi di Roma";
    const std::vector<SchoolRow> Rows = {
        {"AAAA000001", ".", Long, "Via Uno"},
        {"AAAA000001", ".", "Plesso", "Via Due"},
    };
    MainForm F("aie", "1", &Rows);
    ToRegistry(F);
    QTableView* Grid = F.Find<QTableView>("grAnagrafica");
    const auto Tip = [&](int Row, int Column) {
        QToolTip::hideText();
        for (int Wait = 0; Wait < 100 && QToolTip::isVisible(); ++Wait) QTest::qWait(10);
        const QRect Cell = Grid->visualRect(Grid->model()->index(Row, Column));
        QHelpEvent Event(QEvent::ToolTip, Cell.center(), Grid->viewport()->mapToGlobal(Cell.center()));
        QApplication::sendEvent(Grid->viewport(), &Event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    struct Case {
        const char* Name;
        int Row, Column;
        QString Expected; // empty: no tooltip
    };
    const QString Why =
        ToQString("Il file delle scuole riporta una sola sede per codice meccanografico, la prima:\n"
                  "le correzioni vanno fatte su quella riga.");
    const Case Cases[] = {
        {"cut name", 0, 2, ToQString(Long)},
        {"whole code", 0, 0, ""},
        {"later site, short name", 1, 2, Why},
        {"later site, code", 1, 0, Why},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(Tip(C.Row, C.Column), C.Expected);
    }
}

TEST(SitePage, EveryLineHasItsWholeTextAsTooltip) {
    MainForm F("aie", "2", &TwoSitesOfOneCode);
    QListWidget* Sites = F.Find<QListWidget>("clSedi");
    for (int I = 0; I < Sites->count(); ++I) EXPECT_EQ(Sites->item(I)->toolTip(), Sites->item(I)->text());
}

// ---- Mostra file ---------------------------------------------------------------------------

// A folder in the data folder where an output file goes makes the run stop.
void BlockOutputFile(const MainForm& F, const char* Name) {
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
        MainForm F("aie", "1", &TwoSchools);
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
RecordFilesDialog* OpenShowFiles(MainForm& F, const char* Target) {
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
        MainForm F(Target, "1", &TwoSchools);
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
            auto* View = qobject_cast<QTableView*>(Window->tcFiles->widget(T));
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

TEST(ShowFiles, ReachedByTabAndByAlt) {
    MainForm F("aie", "1", &TwoSchools);
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
