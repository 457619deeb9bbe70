#include "export/viewer/RecordFilesDialog.h"

#include "export/viewer/RecordFileModel.h"
#include "forms/QtText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QWidget* FileTable(const std::string& Path, const txad::FileLayout& File, QWidget* Parent) {
    std::string Bytes, Why;
    if (!txad::ReadWholeFile(Path, Bytes, Why)) {
        auto* Failure = new QLabel(QString("Impossibile leggere il file %1: %2")
                                       .arg(QString::fromStdString(Path), QString::fromLocal8Bit(Why)),
                                   Parent);
        Failure->setAlignment(Qt::AlignCenter);
        Failure->setWordWrap(true);
        return Failure;
    }
    auto* View = new QTableView(Parent);
    View->setObjectName(ToQString(File.FileName));
    View->setAccessibleName("Record del file " + ToQString(File.FileName));
    View->setModel(new RecordFileModel(std::move(Bytes), File, View));
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setAlternatingRowColors(true);
    View->setWordWrap(false);
    // Rows keep one height, so a file at the format's limit lays out at once.
    View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    View->verticalHeader()->setDefaultSectionSize(View->fontMetrics().height() + 6);
    // Widths from the first rows only: the records of a file share their widths.
    View->horizontalHeader()->setResizeContentsPrecision(200);
    View->resizeColumnsToContents();
    return View;
}

} // namespace

RecordFilesDialog::RecordFilesDialog(const std::string& DataDir, std::span<const txad::FileLayout> Files,
                                     QWidget* Parent)
    : QDialog(Parent) {
    setObjectName("fmRecordFiles");
    setWindowTitle("File generati - " + QString::fromStdString(DataDir));
    auto* Layout = new QVBoxLayout(this);
    tcFiles = new QTabWidget(this);
    tcFiles->setObjectName("tcFiles");
    for (const txad::FileLayout& File : Files)
        tcFiles->addTab(FileTable(DataDir + std::string(File.FileName), File, tcFiles),
                        ToQString(File.FileName));
    Layout->addWidget(tcFiles);
    auto* Buttons = new QDialogButtonBox(this);
    buClose = Buttons->addButton("&Chiudi", QDialogButtonBox::RejectRole);
    buClose->setObjectName("buClose");
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Layout->addWidget(Buttons);
    resize(900, 520);
}
