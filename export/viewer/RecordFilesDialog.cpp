#include "export/viewer/RecordFilesDialog.h"

#include "export/viewer/RecordFileModel.h"
#include "forms/QtText.h"
#include "forms/ScreenFit.h"
#include "forms/VxFVuota.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, 4> KeyColumns = {txad::RecordNameColumn, "Codice scuola",
                                                        "Anno di corso", "Sezione"};

const char* const KeyTableName = "tvChiavi";

QTableView* NewTable(QAbstractItemModel* Model, QWidget* Parent) {
    auto* View = new QTableView(Parent);
    View->setModel(Model);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setAlternatingRowColors(true);
    View->setWordWrap(false);
    // Both tables keep the same rows and scroll bars, so their lines stay level.
    View->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Rows keep one height, so a file at the format's limit lays out at once.
    View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    View->verticalHeader()->setDefaultSectionSize(View->fontMetrics().height() + 6);
    // Widths from the first rows only: the records of a file share their widths.
    View->horizontalHeader()->setResizeContentsPrecision(200);
    return View;
}

// The records of one file: the key columns on the left, frozen, the other
// fields beside them in a table that scrolls sideways; both scroll together
// up and down and share the selection.
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
    auto* Page = new QWidget(Parent);
    auto* Model = new RecordFileModel(std::move(Bytes), File, Page);
    QTableView* Keys = NewTable(Model, Page);
    Keys->setObjectName(KeyTableName);
    QTableView* Values = NewTable(Model, Page);
    Values->setObjectName(ToQString(File.FileName));
    Values->setAccessibleName("Record del file " + ToQString(File.FileName));
    Keys->setAccessibleName("Tipo e chiavi dei record del file " + ToQString(File.FileName));
    Keys->setSelectionModel(Values->selectionModel());
    Values->verticalHeader()->hide();
    Keys->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Keys->horizontalScrollBar()->setEnabled(false);
    int Moved = 0;
    for (const std::string_view Key : KeyColumns) {
        for (int Column = 0; Column < Model->columnCount(); ++Column) {
            if (Model->headerData(Column, Qt::Horizontal).toString() != ToQString(Key)) continue;
            Keys->horizontalHeader()->moveSection(Keys->horizontalHeader()->visualIndex(Column), Moved++);
        }
    }
    for (int Column = 0; Column < Model->columnCount(); ++Column) {
        const bool Key = IsKeyColumn(FromQString(Model->headerData(Column, Qt::Horizontal).toString()));
        Keys->setColumnHidden(Column, !Key);
        Values->setColumnHidden(Column, Key);
    }
    Keys->resizeColumnsToContents();
    Values->resizeColumnsToContents();
    int Width = Keys->verticalHeader()->sizeHint().width() + 2 * Keys->frameWidth();
    for (int Column = 0; Column < Model->columnCount(); ++Column)
        if (!Keys->isColumnHidden(Column)) Width += Keys->columnWidth(Column);
    Keys->setFixedWidth(Width);
    QObject::connect(Values->verticalScrollBar(), &QScrollBar::valueChanged, Keys->verticalScrollBar(),
                     &QScrollBar::setValue);
    QObject::connect(Keys->verticalScrollBar(), &QScrollBar::valueChanged, Values->verticalScrollBar(),
                     &QScrollBar::setValue);
    auto* Layout = new QHBoxLayout(Page);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Layout->addWidget(Keys);
    Layout->addWidget(Values, 1);
    return Page;
}

} // namespace

bool IsKeyColumn(std::string_view Name) {
    return std::find(KeyColumns.begin(), KeyColumns.end(), Name) != KeyColumns.end();
}

RecordFilesDialog::RecordFilesDialog(const std::string& DataDir, std::span<const txad::FileLayout> Files,
                                     const QString& SetName, QWidget* Parent)
    : QDialog(Parent) {
    setObjectName("fmRecordFiles");
    const QString Folder = QString::fromStdString(DataDir);
    setWindowTitle(SetName.isEmpty() ? "File generati - " + Folder
                                     : SetName + QString::fromUtf8(" \u2013 file generati in ") + Folder);
    AddHelpKey(this, "mostra-file");
    auto* Layout = new QVBoxLayout(this);

    auto* FindRow = new QHBoxLayout;
    auto* laTrova = new QLabel("&Trova:", this);
    edTrova = new QLineEdit(this);
    edTrova->setObjectName("edTrova");
    edTrova->setPlaceholderText("un valore, per esempio un codice scuola (Ctrl+F)");
    edTrova->setClearButtonEnabled(true);
    laTrova->setBuddy(edTrova);
    buTrova = new QPushButton("&Successivo", this);
    buTrova->setObjectName("buTrova");
    buTrova->setToolTip("Il valore seguente che contiene il testo (Invio, F3)");
    buTrova->setAutoDefault(false);
    laEsito = new QLabel(this);
    laEsito->setObjectName("laEsito");
    FindRow->addWidget(laTrova);
    FindRow->addWidget(edTrova, 1);
    FindRow->addWidget(buTrova);
    FindRow->addWidget(laEsito, 1);
    Layout->addLayout(FindRow);

    tcFiles = new QTabWidget(this);
    tcFiles->setObjectName("tcFiles");
    for (const txad::FileLayout& File : Files)
        tcFiles->addTab(FileTable(DataDir + std::string(File.FileName), File, tcFiles),
                        ToQString(File.FileName));
    Layout->addWidget(tcFiles);
    auto* Buttons = new QDialogButtonBox(this);
    buClose = Buttons->addButton("&Chiudi", QDialogButtonBox::RejectRole);
    buClose->setObjectName("buClose");
    buClose->setAutoDefault(false);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Layout->addWidget(Buttons);

    auto* Find = new QAction(this);
    Find->setShortcut(QKeySequence::Find);
    connect(Find, &QAction::triggered, this, [this] {
        edTrova->setFocus(Qt::ShortcutFocusReason);
        edTrova->selectAll();
    });
    auto* Again = new QAction(this);
    Again->setShortcut(QKeySequence::FindNext);
    connect(Again, &QAction::triggered, this, &RecordFilesDialog::FindNext);
    addActions({Find, Again});
    connect(edTrova, &QLineEdit::returnPressed, this, &RecordFilesDialog::FindNext);
    connect(buTrova, &QPushButton::clicked, this, &RecordFilesDialog::FindNext);
    connect(edTrova, &QLineEdit::textChanged, laEsito, &QLabel::clear);
    connect(tcFiles, &QTabWidget::currentChanged, laEsito, &QLabel::clear);

    resize(900, 520);
    FitOnScreen(this);
}

QTableView* RecordFilesDialog::Table(int Tab) const {
    QWidget* Page = tcFiles->widget(Tab);
    return Page ? Page->findChild<QTableView*>(tcFiles->tabText(Tab)) : nullptr;
}

QTableView* RecordFilesDialog::KeyTable(int Tab) const {
    QWidget* Page = tcFiles->widget(Tab);
    return Page ? Page->findChild<QTableView*>(KeyTableName) : nullptr;
}

bool RecordFilesDialog::FindNext() {
    const int Tab = tcFiles->currentIndex();
    QTableView* Values = Table(Tab);
    if (!Values || edTrova->text().isEmpty()) return false;
    const auto* Model = static_cast<const RecordFileModel*>(Values->model());
    const QModelIndex From = Values->selectionModel()->currentIndex();
    const QModelIndex Found =
        Model->Find(FromQString(edTrova->text()), From.isValid() ? From.row() : -1, From.column());
    if (!Found.isValid()) {
        laEsito->setText("Nessun valore di " + tcFiles->tabText(Tab) + " contiene il testo.");
        return false;
    }
    Values->selectionModel()->setCurrentIndex(Found, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    QTableView* Shown = Values->isColumnHidden(Found.column()) ? KeyTable(Tab) : Values;
    Shown->scrollTo(Found);
    laEsito->setText(QString("Riga %1, %2")
                         .arg(Found.row() + 1)
                         .arg(Model->headerData(Found.column(), Qt::Horizontal).toString()));
    return true;
}
