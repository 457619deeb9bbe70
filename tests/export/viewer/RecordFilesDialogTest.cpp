// The window that shows an export's records: a file at the format's limit of
// records, a broken line and a file that cannot be read.

#include "export/viewer/RecordFilesDialog.h"
#include "export/records/RecordLayout.h"
#include "export/viewer/RecordFileModel.h"
#include "forms/QtText.h"
#include "tests/common/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTabWidget>
#include <QTableView>
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
    auto* View = qobject_cast<QTableView*>(Window.tcFiles->widget(0));
    ASSERT_NE(View, nullptr);
    EXPECT_EQ(View->model()->rowCount(), kRecords + 2);
    EXPECT_EQ(View->model()->index(kRecords + 1, 0).data(), ToQString(File.Trailer->Name));
    EXPECT_EQ(View->model()->index(kRecords, 0).data(), ToQString(File.Body->Name));
    std::printf("window: %d records open in %lld ms\n", kRecords, static_cast<long long>(Took));
    // Far below what a full item model of this file takes.
    EXPECT_LT(Took, 5000);
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

} // namespace
