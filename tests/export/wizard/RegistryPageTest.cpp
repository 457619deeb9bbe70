// The registry page through its real widgets: edits that follow the row,
// former codes, long names, the protocol number, corrections kept across
// visits, rows the school file does not take, tab order and tooltips; each
// checked in the files the export writes.

#include "tests/export/wizard/WizardFormFixture.h"

#include "forms/DataSetModel.h"
#include "forms/QtText.h"
#include "support/VxStrUtils.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>
#include <functional>

using testsupport::ReadFileBytes;

using namespace wizardtest;

namespace {

TEST(RegistryPage, EditsFollowTheCurrentRowAndReachTheSchoolFileOnly) {
    WizardForm F("aie", "1", &ThreeSchools);
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
    WizardForm F("aie", "1", &ThreeSchools);
    ToRegistry(F);
    F.Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(F.Form.data()));
    QLineEdit* ExCod = F.Find<QLineEdit>("edExCod");
    struct Case {
        const char* Name;
        QString Typed;
        const char* Count; // as the message says it
    };
    const Case Cases[] = {
        {"blanks only", "   ", "sono stati digitati 0."},
        {"too short", "OLD1", "sono stati digitati 4."},
        {"the no-code mark as loaded", ".", "\xE8 stato digitato 1."},
        {"blanks around a short code", " OLDA00001", "sono stati digitati 9."},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        F.Type("edNome", "Nome nuovo");
        F.Type("edExCod", C.Typed);
        ASSERT_EQ(ExCod->text(), C.Typed);
        F.Boxes.Boxes.clear();
        QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
        ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
        EXPECT_EQ(F.Boxes.Boxes[0].Text, ExCodeMessage + std::string(C.Count));
        EXPECT_EQ(F.Boxes.Boxes[0].Caption, "Errore");
        EXPECT_TRUE(ExCod->hasFocus());
        // Nothing is stored, not even the name.
        EXPECT_EQ(F.Dm.cdsMain.FieldByName("Nome").AsString(), "Prima scuola");
        EXPECT_EQ(F.Dm.cdsMain.FieldByName("ExCodScuola").AsString(), ".");
    }
}

// The current edition's school records hold 50 characters of name: row 1
// is exactly that long, rows 2 and 3 are longer.
const std::vector<SchoolRow> NameLengths = {
    {"AAAA000001", ".", "Breve", "Via Uno"},
    {"BBBB000002", ".", std::string(50, 'B'), "Via Due"},
    {"CCCC000003", ".", std::string(51, 'C'), "Via Tre"},
    {"DDDD000004", ".", "Istituto Comprensivo Statale Giuseppe Garibaldi di Roma", "Via Quattro"},
};

TEST(RegistryPage, NamesLongerThanTheRecordFieldAreHighlighted) {
    WizardForm F("aie", "1", &NameLengths);
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
            EXPECT_EQ(F.Registry()->RowHighlighted(Row), Long);
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
    // The legend and the hint name the record's limit.
    EXPECT_EQ(F.Find<QLabel>("laWarning")->text(), "Lunghezza del campo 'Nome' superiore a 50 caratteri");
    EXPECT_TRUE(F.Find<QLabel>("laTodoNome")->text().contains("superiore a 50 caratteri"));
    // The legend's swatch is a slightly different yellow.
    const QImage Swatch = F.Find<QWidget>("shYellow")->grab().toImage();
    EXPECT_EQ(Swatch.pixelColor(Swatch.rect().center()), QColor(255, 255, 119));
    // Off on the export page: the grid stays bound to a dataset without names.
    F.Next();
    EXPECT_FALSE(F.Registry()->Active());
}

TEST(RegistryPage, TypedNamesStopAtTheLimitAndSaySoButLoadedNamesStayWhole) {
    WizardForm F("aie", "1", &NameLengths);
    ToRegistry(F);
    QTableView* Grid = F.Find<QTableView>("grAnagrafica");
    QLineEdit* Nome = F.Find<QLineEdit>("edNome");
    QLabel* Count = F.Find<QLabel>("laNomeCount");
    const QString LongName = "Istituto Comprensivo Statale Giuseppe Garibaldi di Roma";
    EXPECT_EQ(Count->text(), "5/50");

    // Typing: 55 characters give 50, and the refusal says why.
    F.Type("edNome", QString(55, 'x'));
    EXPECT_EQ(Nome->text(), QString(50, 'x'));
    EXPECT_EQ(Count->text(), "50/50");
    EXPECT_TRUE(Count->toolTip().contains(ToQString("al pi\xF9 50 caratteri")))
        << Count->toolTip().toStdString();
    // Esc gives the row's name back, without a question.
    QTest::keyClick(Nome, Qt::Key_Escape);
    EXPECT_EQ(Nome->text(), "Breve");
    EXPECT_TRUE(F.Form->isVisible());

    // A loaded long name is shown whole; typing at its end is refused and
    // says the name is already too long; shortening is allowed.
    QTest::keyClick(Grid, Qt::Key_End, Qt::ControlModifier);
    ASSERT_EQ(Nome->text(), LongName);
    EXPECT_EQ(Count->text(), QString("%1/50").arg(LongName.size()));
    Nome->setFocus();
    Nome->end(false);
    QTest::keyClicks(Nome, "Z");
    EXPECT_EQ(Nome->text(), LongName);
    EXPECT_TRUE(Count->toolTip().contains(ToQString("ha gi\xE0 55 caratteri, pi\xF9 dei 50")))
        << Count->toolTip().toStdString();
    // In the middle: text and cursor stay.
    Nome->setCursorPosition(5);
    QTest::keyClicks(Nome, "QQ");
    EXPECT_EQ(Nome->text(), LongName);
    EXPECT_EQ(Nome->cursorPosition(), 5);
    // Stored back whole with Modifica, still highlighted, written whole.
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    EXPECT_TRUE(F.Boxes.Boxes.empty());
    EXPECT_TRUE(F.Registry()->RowHighlighted(3));
    // Shortening stays possible; growing again beyond 50 does not.
    Nome->setFocus();
    Nome->end(false);
    QTest::keyClick(Nome, Qt::Key_Backspace);
    EXPECT_EQ(Nome->text(), LongName.left(LongName.size() - 1));
    QTest::keyClicks(Nome, "i");
    EXPECT_EQ(Nome->text(), LongName.left(LongName.size() - 1));
    QTest::mouseClick(F.Button("buEdit"), Qt::LeftButton);
    F.Next();
    EXPECT_TRUE(F.Boxes.Boxes.empty());
    const std::vector<SchoolRecord> Records = SchoolRecords(F.Output("File014.txt"));
    ASSERT_EQ(Records.size(), 4u);
    EXPECT_EQ(Records[3].Name, FromQString(LongName.left(50)));
}

TEST(RegistryPage, ProtocolNumberReachesTheFirstHeaderAndSurvivesBack) {
    WizardForm F("aie", "1", &ThreeSchools);
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

// ---- Typed and not stored ----------------------------------------------------------------

// Text typed in Nome or Ex codice and not stored with Modifica is stored or
// dropped as the user answers, when the page is left and when the row
// changes; Annulla keeps the page with the text.
TEST(RegistryPage, TypedCorrectionIsAskedAboutBeforeItIsLeft) {
    struct Case {
        const char* Name;
        bool ByRowChange; // else by Avanti
        int32_t Answer;
        int PageAfter;
        const char* Written; // the first school's name in the file; nullptr: not exported
    };
    const Case Cases[] = {
        {"Avanti, yes", false, idYes, 3, "Prima corretta"},
        {"Avanti, no", false, idNo, 3, "Prima scuola"},
        {"Avanti, cancel", false, idCancel, 2, nullptr},
        {"row change, yes", true, idYes, 3, "Prima corretta"},
        {"row change, no", true, idNo, 3, "Prima scuola"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        WizardForm F("aie", "1", &ThreeSchools);
        ToRegistry(F);
        F.Type("edNome", "Prima corretta");
        F.Type("edExCod", "OLDA000001");
        F.Boxes.Answer = C.Answer;
        if (C.ByRowChange) {
            QTest::keyClick(F.Find<QTableView>("grAnagrafica"), Qt::Key_Down);
            ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
            EXPECT_EQ(F.Find<QLineEdit>("edNome")->text(), "Seconda scuola");
            F.Boxes.Answer = idOK;
        }
        F.Next();
        ASSERT_EQ(F.Boxes.Boxes.size(), 1u);
        EXPECT_EQ(F.Boxes.Boxes[0].Text.substr(0, 41), "Applicare la correzione a \xABPrima scuola\xBB?");
        EXPECT_EQ(F.Boxes.Boxes[0].Caption, "Conferma");
        ASSERT_EQ(F.Page(), C.PageAfter);
        if (!C.Written) {
            EXPECT_EQ(F.Find<QLineEdit>("edNome")->text(), "Prima corretta");
            continue;
        }
        const std::vector<SchoolRecord> Records = SchoolRecords(F.Output("File014.txt"));
        ASSERT_EQ(Records.size(), 3u);
        EXPECT_EQ(Records[0].Name, C.Written);
        EXPECT_EQ(Records[0].ExCode, C.Answer == idYes ? "OLDA000001" : std::string(10, ' '));
    }
}

// "Sì" with a wrong former code stores nothing: the error is shown and the
// user is back on the row, with the text as typed.
TEST(RegistryPage, TypedCorrectionWithAWrongFormerCodeStaysOnItsRow) {
    WizardForm F("aie", "1", &ThreeSchools);
    ToRegistry(F);
    F.Type("edNome", "Prima corretta");
    F.Type("edExCod", "OLD1");
    F.Boxes.BoxAnswers = {idYes, idOK};
    QTest::keyClick(F.Find<QTableView>("grAnagrafica"), Qt::Key_Down);
    ASSERT_EQ(F.Boxes.Boxes.size(), 2u);
    EXPECT_EQ(F.Boxes.Boxes[1].Text, ExCodeMessage + "sono stati digitati 4.");
    EXPECT_EQ(F.Dm.cdsMain.RecNo(), 0);
    EXPECT_EQ(F.Find<QLineEdit>("edNome")->text(), "Prima corretta");
    EXPECT_EQ(F.Find<QLineEdit>("edExCod")->text(), "OLD1");
    EXPECT_EQ(F.Find<QTableView>("grAnagrafica")->model()->index(0, 2).data().toString(), "Prima scuola");
}

// The name's limit is the width of the name in the school record: 50 in the
// current edition's ANARPE file, where a 47-character name is not too long.
TEST(RegistryPage, AnarpeNamesUpToTheirFieldAreNotTooLong) {
    const std::string Name47 = "Istituto Comprensivo Statale Giuseppe Garibaldi";
    ASSERT_EQ(Name47.size(), 47u);
    const std::vector<SchoolRow> Rows = {{"AAAA000001", ".", Name47, "Via Uno"}};
    WizardForm F("anarpe", "1", &Rows);
    ToRegistry(F);
    EXPECT_EQ(F.Registry()->NameLimit(), 50);
    EXPECT_FALSE(F.Registry()->RowHighlighted(0));
    EXPECT_EQ(F.Find<QLabel>("laNomeCount")->text(), "47/50");
    QLineEdit* Nome = F.Find<QLineEdit>("edNome");
    Nome->setFocus();
    Nome->end(false);
    QTest::keyClicks(Nome, " di Roma");
    EXPECT_EQ(Nome->text(), ToQString(Name47 + " di"));
}

// Where the protocol number goes is said: into the first AIE file's header;
// for ANARPE into no file, so the edit is grey and says why. The check box
// says what it is for.
TEST(RegistryPage, ProtocolAreaSaysWhereTheNumberGoes) {
    struct Case {
        const char* Target;
        bool Enabled;
        const char* Says;
    };
    const Case Cases[] = {
        {"aie", true, "nella testata del file File014.txt"},
        {"anarpe", false, "non viene scritto in nessun file"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Target);
        WizardForm F(C.Target, "1", &ThreeSchools);
        ToRegistry(F);
        QLineEdit* Proto = F.Find<QLineEdit>("edNProto");
        EXPECT_EQ(Proto->isEnabled(), C.Enabled);
        EXPECT_TRUE(F.Find<QLabel>("laNProtoFile")->text().contains(C.Says));
        EXPECT_TRUE(F.Find<QLabel>("laNProtoFile")->isVisible());
        EXPECT_TRUE(Proto->toolTip().contains(C.Says));
        EXPECT_EQ(F.Find<QLabel>("laNProtoCount")->text(), "0/30");
        EXPECT_TRUE(F.Find<QCheckBox>("cbCor")->toolTip().contains("I file esportati non cambiano"));
    }
}

// ---- Corrections across Back and Next --------------------------------------------------

TEST(RegistryPage, CorrectionsSurviveBackAndNext) {
    // Path "1": corrections of two rows, Back to the anomalies and Next again.
    {
        SCOPED_TRACE("path 1");
        WizardForm F("aie", "1", &ThreeSchools);
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
        WizardForm F("aie", "2", &TwoSitesOfOneCode);
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
    WizardForm F("aie", "1", &TwoSitesOfOneCode);
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
        EXPECT_EQ(F.Registry()->RowExported(R.Position), R.Exported);
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

TEST(Keyboard, TabLeavesTheGridInTheRegistryTabOrder) {
    WizardForm F("aie", "1", &ThreeSchools);
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

// The grid's tooltip: the whole text of a cut cell, and why a row is grey.
TEST(RegistryPage, GridTooltipsShowCutTextAndWhyARowIsGrey) {
    const std::string Long = "Istituto Comprensivo Statale Giuseppe Garibaldi di Roma";
    const std::vector<SchoolRow> Rows = {
        {"AAAA000001", ".", Long, "Via Uno"},
        {"AAAA000001", ".", "Plesso", "Via Due"},
    };
    WizardForm F("aie", "1", &Rows);
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

// The former-code column says "nessuno" as the edit below does, holds a
// whole code of wide letters, and a wider window widens the name edit.
TEST(RegistryPage, FormerCodeColumnAndNameEditAtAnySize) {
    WizardForm F("aie", "1", &ThreeSchools);
    ToRegistry(F);
    QTableView* Grid = F.Find<QTableView>("grAnagrafica");
    auto* Delegate =
        qobject_cast<QStyledItemDelegate*>(Grid->itemDelegateForIndex(Grid->model()->index(0, 1)));
    ASSERT_NE(Delegate, nullptr);
    const auto Shown = [&](int Row) {
        return Delegate->displayText(Grid->model()->index(Row, 1).data(), QLocale());
    };
    EXPECT_EQ(Shown(0), "nessuno");
    EXPECT_EQ(Shown(1), "OLDB000002");
    EXPECT_EQ(Shown(0), F.Find<QLineEdit>("edExCod")->placeholderText());
    // A screen reader reads the cells as they are drawn.
    EXPECT_EQ(Grid->model()->index(0, 1).data(Qt::AccessibleTextRole).toString(), "nessuno");
    EXPECT_EQ(Grid->model()->index(1, 1).data(Qt::AccessibleTextRole).toString(), "OLDB000002");
    EXPECT_GE(Grid->columnWidth(1), Grid->fontMetrics().horizontalAdvance("WMWMWMWMWM") + 4);

    QLineEdit* Nome = F.Find<QLineEdit>("edNome");
    const int Before = Nome->width();
    F.Form->resize(1200, 700);
    QApplication::processEvents();
    EXPECT_GT(Nome->width(), Before + 200);
}

} // namespace
