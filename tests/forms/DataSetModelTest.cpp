// The grid's table model over a real dataset loaded from a small packet.

#include "forms/DataSetModel.h"
#include "tests/common/TestPacket.h"
#include "tests/common/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::string WriteSchools(const std::string& Name, int Extra = 0) {
    std::vector<std::string> Rows = {
        "CodScuola=\"RMIC81500A\" Nome=\"Istituto Tal\xE0\" Comune=\"Roma\" Alunni=\"310\"",
        "CodScuola=\"RMEE81501B\" Nome=\"Primaria Pascoli\" Comune=\"Citt\xE0 di Castello\"",
        "CodScuola=\"RMMM81502C\" Nome=\"Media Fermi\" Comune=\"Ostia\" Alunni=\"95\"",
    };
    for (int I = 0; I < Extra; ++I) Rows.push_back("CodScuola=\"X" + std::to_string(I) + "\" Nome=\"Altra\"");
    return testsupport::WritePacket(
        testsupport::Packet({"CodScuola:string:10", "Nome:string:100", "Comune:string:100", "Alunni:i4"},
                            Rows),
        Name);
}

struct ModelFixture : ::testing::Test {
    void SetUp() override {
        Ds.LoadFromFile(WriteSchools("model.xml"));
        Model = std::make_unique<DataSetModel>(&Ds);
        // Checks the model's consistency on every change it signals.
        Tester = std::make_unique<QAbstractItemModelTester>(
            Model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    QString Cell(int Row, int Column) const { return Model->data(Model->index(Row, Column)).toString(); }

    TClientDataSet Ds{"cdsMain"};
    std::unique_ptr<DataSetModel> Model;
    std::unique_ptr<QAbstractItemModelTester> Tester;
};

} // namespace

TEST_F(ModelFixture, ShowsColumnsByFieldName) {
    struct Row {
        const char* Name;
        std::vector<DataSetColumn> Columns;
        std::vector<QString> Titles;
        std::vector<QString> SecondRow;
    } const Rows[] = {
        {"every field",
         {},
         {"CodScuola", "Nome", "Comune", "Alunni"},
         {"RMEE81501B", "Primaria Pascoli", QString::fromUtf8("Città di Castello"), ""}},
        {"chosen, any case, titled",
         {{"comune", "Comune "}, {"CODSCUOLA", "Codice mecc."}, {"Alunni", ""}},
         {"Comune ", "Codice mecc.", "Alunni"},
         {QString::fromUtf8("Città di Castello"), "RMEE81501B", ""}},
        {"missing field shows empty cells",
         {{"Nome", ""}, {"Indirizzo", "Indirizzo "}},
         {"Nome", "Indirizzo "},
         {"Primaria Pascoli", ""}},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(R.Name);
        Model->SetColumns(R.Columns);
        ASSERT_EQ(Model->columnCount(), static_cast<int>(R.Titles.size()));
        EXPECT_EQ(Model->rowCount(), 3);
        for (int C = 0; C < Model->columnCount(); ++C) {
            EXPECT_EQ(Model->headerData(C, Qt::Horizontal).toString(), R.Titles[static_cast<size_t>(C)]) << C;
            EXPECT_EQ(Cell(1, C), R.SecondRow[static_cast<size_t>(C)]) << C;
        }
    }
    Model->SetColumns({{"Alunni", ""}});
    EXPECT_EQ(Cell(0, 0), "310");
    EXPECT_EQ(Cell(0, 0), "310") << "typed text stays valid across reads";
    EXPECT_EQ(Model->FieldIndexOf(0), 3);
}

TEST_F(ModelFixture, FollowsAndMovesTheCurrentRow) {
    QSignalSpy Moves(Model.get(), &DataSetModel::CurrentRowChanged);
    QSignalSpy Resets(Model.get(), &QAbstractItemModel::modelReset);
    EXPECT_EQ(Model->CurrentRow(), 0);
    EXPECT_FALSE(Model->headerData(0, Qt::Vertical).toString().isEmpty());

    Ds.Next();
    ASSERT_EQ(Moves.count(), 1);
    EXPECT_EQ(Moves.takeFirst().at(0).toInt(), 1);
    EXPECT_TRUE(Model->headerData(0, Qt::Vertical).toString().isEmpty());
    EXPECT_FALSE(Model->headerData(1, Qt::Vertical).toString().isEmpty());

    Model->SetCurrentRow(2);
    EXPECT_EQ(Ds.RecNo(), 2);
    ASSERT_EQ(Moves.count(), 1);
    EXPECT_EQ(Moves.takeFirst().at(0).toInt(), 2);
    Model->SetCurrentRow(7);
    EXPECT_EQ(Ds.RecNo(), 2) << "a row the model does not have";
    EXPECT_EQ(Resets.count(), 0) << "a move must not reset the view";
}

TEST_F(ModelFixture, ShowsEditsAndStartsOverOnStructuralChanges) {
    Model->SetColumns({{"CodScuola", ""}, {"Nome", ""}});
    QSignalSpy Resets(Model.get(), &QAbstractItemModel::modelReset);
    QSignalSpy Changes(Model.get(), &QAbstractItemModel::dataChanged);

    Ds.SetRecNo(1);
    Ds.Edit();
    Ds.FieldByName("Nome").SetAsString("Primaria \"G. Pascoli\"");
    Ds.Post();
    EXPECT_EQ(Cell(1, 1), "Primaria \"G. Pascoli\"");
    EXPECT_GT(Changes.count(), 0);
    const auto Last = Changes.last();
    EXPECT_LE(Last.at(0).value<QModelIndex>().row(), 1);
    EXPECT_GE(Last.at(1).value<QModelIndex>().row(), 1);
    EXPECT_EQ(Resets.count(), 0);

    struct Step {
        const char* Name;
        std::function<void()> Do;
        int Rows;
        QString FirstCode;
    } const Steps[] = {
        {"delete", [&] { Ds.Delete(); }, 2, "RMIC81500A"},
        {"index order", [&] { Ds.SetIndexFieldNames("Nome"); }, 2, "RMIC81500A"},
        // The index order stays on the reloaded rows: "Altra" sorts first.
        {"reload", [&] { Ds.LoadFromFile(WriteSchools("model2.xml", 2)); }, 5, "X0"},
        {"close", [&] { Ds.Close(); }, 0, ""},
    };
    for (const auto& S : Steps) {
        SCOPED_TRACE(S.Name);
        const int Before = static_cast<int>(Resets.count());
        S.Do();
        EXPECT_GT(Resets.count(), Before);
        EXPECT_EQ(Model->rowCount(), S.Rows);
        if (S.Rows > 0) {
            EXPECT_EQ(Cell(0, 0), S.FirstCode);
        }
    }
}

TEST_F(ModelFixture, UnbindsFromTheDataSet) {
    Model->SetDataSet(nullptr);
    EXPECT_EQ(Model->rowCount(), 0);
    Ds.Next(); // no listener left behind
    Model->SetDataSet(&Ds);
    EXPECT_EQ(Model->rowCount(), 3);
    Tester.reset();
    Model.reset();
    Ds.Next(); // the model's listener went with it
    EXPECT_EQ(Ds.RecNo(), 2);
}

TEST_F(ModelFixture, ViewAndDataSetShareTheCurrentRow) {
    QTableView View;
    BindDataSetView(&View, Model.get());
    View.resize(400, 200);
    View.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    EXPECT_EQ(View.currentIndex().row(), 0);

    QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, View.visualRect(Model->index(2, 1)).center());
    EXPECT_EQ(Ds.RecNo(), 2);
    QTest::keyClick(&View, Qt::Key_Up);
    EXPECT_EQ(Ds.RecNo(), 1);

    Ds.First();
    EXPECT_EQ(View.currentIndex().row(), 0);
    Ds.SetRecNo(2);
    EXPECT_EQ(View.currentIndex().row(), 2);
    // After a reload the view's current row is the dataset's first row again.
    Ds.LoadFromFile(WriteSchools("model3.xml", 1));
    EXPECT_EQ(View.currentIndex().row(), 0);
    EXPECT_EQ(Ds.RecNo(), 0);
}

// A screen reader reads the grid's headers: titles without their padding, rows
// by number with the current one said so, never the indicator or nothing.
TEST_F(ModelFixture, HeadersReadWithoutPaddingOrIndicator) {
    Model->SetColumns({{"Nome", "Nome "}, {"Comune", "Comune "}});
    Ds.SetRecNo(1);
    struct Row {
        const char* Name;
        Qt::Orientation Orientation;
        int Section;
        QString Read;
    } const Rows[] = {
        {"padded title", Qt::Horizontal, 0, "Nome"},
        {"other row", Qt::Vertical, 0, "Riga 1"},
        {"current row", Qt::Vertical, 1, "Riga 2, corrente"},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Name);
        EXPECT_EQ(Model->headerData(R.Section, R.Orientation, Qt::AccessibleTextRole).toString(), R.Read);
    }
    // What the eye sees stays as it is.
    EXPECT_EQ(Model->headerData(0, Qt::Horizontal).toString(), "Nome ");
    EXPECT_EQ(Model->headerData(1, Qt::Vertical).toString(), QString(QChar(0x25B6)));
}

// Selecting a row without moving the current cell, as a row selection or a
// cell's action through the accessibility tree does, moves the dataset too.
TEST_F(ModelFixture, SelectedRowBecomesTheCurrentRow) {
    QTableView View;
    View.setSelectionBehavior(QAbstractItemView::SelectRows);
    View.setSelectionMode(QAbstractItemView::SingleSelection);
    BindDataSetView(&View, Model.get());
    ASSERT_EQ(Ds.RecNo(), 0);
    View.selectionModel()->select(Model->index(2, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCoreApplication::processEvents();
    EXPECT_EQ(Ds.RecNo(), 2);
    EXPECT_EQ(View.currentIndex().row(), 2);
    // A view that selects many rows keeps its current row apart.
    View.setSelectionMode(QAbstractItemView::ExtendedSelection);
    View.selectionModel()->select(Model->index(0, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCoreApplication::processEvents();
    EXPECT_EQ(Ds.RecNo(), 2);
}
