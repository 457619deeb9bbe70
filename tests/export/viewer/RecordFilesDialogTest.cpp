// The window that shows an export's records: a file at the format's limit of
// records, a broken line, a file that cannot be read, the key columns that
// stay in view and the find box.

#include "export/viewer/RecordFilesDialog.h"
#include "export/records/RecordLayout.h"
#include "export/viewer/RecordFileModel.h"
#include "forms/QtText.h"
#include "forms/VxFVuota.h"
#include "tests/common/TestSupport.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

const txad::FileLayout& AdoptionFile() {
    for (const txad::FileLayout& File : txad::FileLayouts(txad::Edition::Current, "aie")) {
        if (File.FileName == "File815.txt") return File;
    }
    throw std::logic_error("no File815.txt layout");
}

// A header, Count copies of one body record and a trailer.
std::string AdoptionBytes(int Count) {
    const std::string Golden =
        testsupport::ReadFileBytes(std::string(ADOX_GOLDEN_DIR) + "/export/basic/aie/File815.txt");
    const std::size_t Second = Golden.find('\n') + 1;
    const std::size_t Third = Golden.find('\n', Second) + 1;
    std::string Bytes = Golden.substr(0, Second);
    const std::string Record = Golden.substr(Second, Third - Second);
    Bytes.reserve(Bytes.size() + Record.size() * static_cast<std::size_t>(Count) + 32);
    for (int I = 0; I < Count; ++I) Bytes += Record;
    Bytes += Golden.substr(Golden.rfind('\n', Golden.size() - 2) + 1);
    return Bytes;
}

TEST(RecordFileModel, OpensTheFormatsLimitOfRecordsAtOnce) {
    constexpr int kRecords = 99997;
    const std::string Dir = testsupport::SandboxDir() + "/limit/";
    fs::create_directories(Dir);
    testsupport::WriteFileBytes(Dir + "File815.txt", AdoptionBytes(kRecords));
    const txad::FileLayout& File = AdoptionFile();
    QElapsedTimer Timer;
    Timer.start();
    RecordFilesDialog Window(Dir, std::span(&File, 1));
    Window.show();
    QCoreApplication::processEvents();
    const qint64 Took = Timer.elapsed();
    QTableView* View = Window.Table(0);
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(View->model()->rowCount(), kRecords + 2);
    EXPECT_EQ(View->model()->index(kRecords + 1, 0).data(), ToQString(File.Trailer->Name));
    EXPECT_EQ(View->model()->index(kRecords, 0).data(), ToQString(File.Body->Name));
    std::printf("window: %d records open in %lld ms\n", kRecords, static_cast<long long>(Took));
    // Far below what a full item model of this file takes.
    EXPECT_LT(Took, 5000);
    // A text no value holds is looked for through the whole file at once.
    Window.edTrova->setText("valore assente");
    Timer.restart();
    EXPECT_FALSE(Window.FindNext());
    const qint64 Searched = Timer.elapsed();
    std::printf("window: %d records searched in %lld ms\n", kRecords, static_cast<long long>(Searched));
    EXPECT_LT(Searched, 3000);
}

TEST(RecordFileModel, ABrokenLineShowsWhatItHolds) {
    const txad::FileLayout& File = AdoptionFile();
    std::string Bytes = AdoptionBytes(2);
    const std::size_t Second = Bytes.find('\n') + 1;
    Bytes.erase(Second + 10, Bytes.find('\n', Second) - Second - 10); // line 2 keeps 10 bytes and its LF
    RecordFileModel Model(Bytes, File);
    ASSERT_EQ(Model.rowCount(), 4);
    EXPECT_EQ(Model.index(1, 0).data(), ToQString(File.Body->Name));
    // The record code is whole; the field the line ends in is cut; the
    // later ones are empty.
    QString Shown;
    for (int C = 1; C < Model.columnCount(); ++C) Shown += Model.index(1, C).data().toString();
    EXPECT_EQ(Shown, ToQString(Bytes.substr(Second, 10)));
}

TEST(RecordFilesDialog, AFileThatCannotBeReadSaysSoInItsTab) {
    const txad::FileLayout& File = AdoptionFile();
    const std::string Dir = testsupport::SandboxDir() + "/nothing-here/";
    RecordFilesDialog Window(Dir, std::span(&File, 1));
    ASSERT_EQ(Window.tcFiles->count(), 1);
    EXPECT_EQ(Window.tcFiles->tabText(0), "File815.txt");
    auto* Failure = qobject_cast<QLabel*>(Window.tcFiles->widget(0));
    ASSERT_NE(Failure, nullptr);
    EXPECT_EQ(Failure->text(), QString::fromStdString("Impossibile leggere il file " + Dir +
                                                      "File815.txt: No such file or directory"));
}

QStringList ShownColumns(const QTableView* View) {
    QStringList Names;
    const QHeaderView* Header = View->horizontalHeader();
    for (int Visual = 0; Visual < Header->count(); ++Visual) {
        const int Column = Header->logicalIndex(Visual);
        if (!View->isColumnHidden(Column))
            Names << View->model()->headerData(Column, Qt::Horizontal).toString();
    }
    return Names;
}

// Scrolled right to the last field and down, the record's name and its keys
// are still on screen, level with the values of their line.
TEST(RecordFilesDialog, RecordNameAndKeysStayInViewWhileTheValuesScroll) {
    const std::string Dir = testsupport::SandboxDir() + "/frozen/";
    fs::create_directories(Dir);
    testsupport::WriteFileBytes(Dir + "File815.txt", AdoptionBytes(300));
    const txad::FileLayout& File = AdoptionFile();
    RecordFilesDialog Window(Dir, std::span(&File, 1));
    Window.resize(640, 400);
    Window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    QTableView* Keys = Window.KeyTable(0);
    QTableView* Values = Window.Table(0);
    ASSERT_NE(Keys, nullptr);
    ASSERT_NE(Values, nullptr);
    const QStringList KeyNames{"Tipo record", "Codice scuola", "Anno di corso", "Sezione"};
    EXPECT_EQ(ShownColumns(Keys), KeyNames);
    for (const QString& Name : ShownColumns(Values))
        EXPECT_FALSE(KeyNames.contains(Name)) << Name.toStdString();
    EXPECT_EQ(ShownColumns(Keys).size() + ShownColumns(Values).size(), Values->model()->columnCount());

    Values->horizontalScrollBar()->setValue(Values->horizontalScrollBar()->maximum());
    Values->verticalScrollBar()->setValue(150);
    QCoreApplication::processEvents();
    ASSERT_GT(Values->horizontalScrollBar()->maximum(), 0);
    for (int Column = 0; Column < Keys->model()->columnCount(); ++Column) {
        if (Keys->isColumnHidden(Column)) continue;
        SCOPED_TRACE(Column);
        EXPECT_GE(Keys->columnViewportPosition(Column), 0);
        EXPECT_LE(Keys->columnViewportPosition(Column) + Keys->columnWidth(Column),
                  Keys->viewport()->width());
    }
    EXPECT_EQ(Keys->rowAt(0), Values->rowAt(0));
    EXPECT_EQ(Keys->rowAt(0), 150);
    EXPECT_EQ(Keys->rowViewportPosition(150), Values->rowViewportPosition(150));
    // One selection: a line chosen on the right is the line on the left.
    Values->selectRow(151);
    EXPECT_TRUE(Keys->selectionModel()->isRowSelected(151, {}));
}

std::string GoldenSchoolFile(const std::string& Name) {
    const std::string Dir = testsupport::SandboxDir() + "/" + Name + "/";
    fs::create_directories(Dir);
    testsupport::WriteFileBytes(
        Dir + "File014.txt",
        testsupport::ReadFileBytes(std::string(ADOX_GOLDEN_DIR) + "/export/basic/aie/File014.txt"));
    return Dir;
}

// Find goes from value to value in line then field order, without regard to
// the case of letters (accented ones too), and comes round to the first; a
// text that runs over two fields is no value's.
TEST(RecordFilesDialog, FindWalksTheValuesThatHoldTheTextRoundTheFile) {
    const std::string Dir = GoldenSchoolFile("find");
    const txad::FileLayout& School = txad::FileLayouts(txad::Edition::Current, "aie")[0];
    RecordFilesDialog Window(Dir, std::span(&School, 1));
    Window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    struct Hit {
        int Row;
        const char* Column;
    };
    struct Case {
        const char* Name;
        QString Text;
        std::vector<Hit> Hits;
    };
    const Case Cases[] = {
        {"a school code, lower case",
         "rmic81500a",
         {{1, "Codice scuola"},
          {1, "Codice sede principale"},
          {1, "E-mail"},
          {3, "Codice scuola"},
          {3, "Codice sede principale"}}},
        {"an accented capital", QString::fromUtf8("CITTÀ"), {{2, "Comune"}}},
        {"inside an address", "roma 1", {{1, "Indirizzo"}}},
        {"over the record code and the school code", "4RMTD", {}},
        {"nowhere", "Napoli", {}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Window.edTrova->setText(C.Text);
        Window.Table(0)->selectionModel()->clearCurrentIndex();
        for (std::size_t Round = 0; Round <= C.Hits.size(); ++Round) {
            // After the last hit the first comes again.
            const std::size_t Expected = Round % std::max<std::size_t>(C.Hits.size(), 1);
            const bool Found = Window.FindNext();
            ASSERT_EQ(Found, !C.Hits.empty());
            if (!Found) {
                EXPECT_EQ(Window.laEsito->text(), "Nessun valore di File014.txt contiene il testo.");
                break;
            }
            const QModelIndex At = Window.Table(0)->selectionModel()->currentIndex();
            EXPECT_EQ(At.row(), C.Hits[Expected].Row);
            EXPECT_EQ(At.model()->headerData(At.column(), Qt::Horizontal).toString(),
                      C.Hits[Expected].Column);
            EXPECT_TRUE(Window.Table(0)->selectionModel()->isRowSelected(At.row(), {}));
        }
    }
}

// Ctrl+F puts the keyboard in the find box, Enter there finds; a key
// column's hit is shown in the frozen table.
TEST(RecordFilesDialog, CtrlFAndEnterFind) {
    const std::string Dir = GoldenSchoolFile("find-keys");
    const txad::FileLayout& School = txad::FileLayouts(txad::Edition::Current, "aie")[0];
    RecordFilesDialog Window(Dir, std::span(&School, 1));
    Window.show();
    Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
    Window.Table(0)->setFocus();
    QTest::keyClick(&Window, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(Window.edTrova->hasFocus());
    QTest::keyClicks(Window.edTrova, "RMTD03000V");
    QTest::keyClick(Window.edTrova, Qt::Key_Return);
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.Table(0)->selectionModel()->currentIndex().row(), 6);
    EXPECT_EQ(Window.laEsito->text(), "Riga 7, Codice scuola");
}

// Stands in for the desktop's opener.
class GuideOpener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
    GuideOpener() { QDesktopServices::setUrlHandler("file", this, "open"); }
    ~GuideOpener() override { QDesktopServices::unsetUrlHandler("file"); }
public slots:
    void open(const QUrl& Url) { Urls.append(Url); }
};

// F1 opens the guide at the window's own section, which the guide has.
TEST(RecordFilesDialog, F1OpensItsSectionOfTheGuide) {
    const std::string Dir = GoldenSchoolFile("help");
    const txad::FileLayout& School = txad::FileLayouts(txad::Edition::Current, "aie")[0];
    SetProgramGuide(ADOX_GUIDE_SOURCE);
    RecordFilesDialog Window(Dir, std::span(&School, 1));
    Window.show();
    Window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
    GuideOpener Opener;
    QTest::keyClick(&Window, Qt::Key_F1);
    SetProgramGuide("");
    ASSERT_EQ(Opener.Urls.size(), 1);
    EXPECT_EQ(Opener.Urls[0].toLocalFile().toStdString(), ADOX_GUIDE_SOURCE);
    EXPECT_EQ(Opener.Urls[0].fragment(), "mostra-file");
    const std::string Guide = testsupport::ReadFileBytes(ADOX_GUIDE_SOURCE);
    EXPECT_NE(Guide.find("id=\"mostra-file\""), std::string::npos);
}

} // namespace

#include "RecordFilesDialogTest.moc"
