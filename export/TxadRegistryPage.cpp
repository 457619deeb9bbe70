// The school registry page: highlighted and grey rows, the edits that follow
// the grid's row, Modifica and the corrections kept across visits.
#include "export/TxadMainForm.h"

#include "export/MainFormRules.h"
#include "export/TxadMainFormParts.h"
#include "export/records/SchoolRuns.h"
#include "forms/DataSetModel.h"
#include "forms/QtText.h"
#include "support/VxMsgDlg.h"
#include "support/VxStrUtils.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <functional>

using txadform::NameLimit;
using txadform::NotExportedTip;

namespace {

// Runs an action each time the watched widget is resized.
class ResizeWatcher : public QObject {
public:
    ResizeWatcher(QWidget* Watched, std::function<void()> Action)
        : QObject(Watched), FAction(std::move(Action)) {
        Watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Resize) FAction();
        return false;
    }

private:
    std::function<void()> FAction;
};

} // namespace

QWidget* TfmTxadMainBase::BuildRegistryPage(bool ProtocolArea) {
    QWidget* Page = LayOutRegistryPage(ProtocolArea);
    connect(acEdit, &QAction::triggered, this, [this] { acEditExecute(); });
    connect(buEdit, &QPushButton::clicked, acEdit, &QAction::trigger);
    new ResizeWatcher(grAnagrafica->viewport(), [this] { FitNameColumn(); });
    // The edits follow every change of the current row (keys, pages, wheel,
    // click, the program), so Modifica never stores one school's edits in
    // another school's row; only while they follow the row, as the export
    // reloads cdsMain with packets that have no names.
    connect(dm.dsMain, &DataSetModel::CurrentRowChanged, this, [this](int) {
        if (FEditsFollowRow) CopyRecordToEdits();
    });
    return Page;
}

bool TfmTxadMainBase::RowExported(int Position) {
    if (!FRegistryActive || !FRecordSet || !FRecordSet->OneSchoolRecordPerCode() || !dm.cdsMain.Active())
        return true;
    const TField Code = dm.cdsMain.FindField("CodScuola");
    if (!Code.Valid() || Position < 0 || Position >= dm.cdsMain.RecordCount()) return true;
    const std::string Current(dm.cdsMain.TextAt(Position, Code.Index()));
    return txad::StartsSchoolRecord(Current, Position == 0 ? txad::CodeBeforeFirstRow
                                                           : dm.cdsMain.TextAt(Position - 1, Code.Index()));
}

bool TfmTxadMainBase::RowHighlighted(int Position) {
    if (!FHighlightOn || !dm.cdsMain.Active()) return false;
    const TField Nome = dm.cdsMain.FindField("Nome");
    if (!Nome.Valid()) return false;
    return dm.cdsMain.TextAt(Position, Nome.Index()).size() > NameLimit;
}

void TfmTxadMainBase::SetRegistryActive(bool Active) {
    FHighlightOn = Active;
    FRegistryActive = Active;
    FEditsFollowRow = Active;
}

void TfmTxadMainBase::tsAnagraficaShow() {
    SetRegistryActive(true);
    try {
        if (RegistryShowReloads()) dm.cdsMain.LoadFromFile(FStartup.DataDir + "Body014.xml");
        FPacketRows.clear();
        for (int Row = 0; Row < dm.cdsMain.RecordCount(); ++Row) FPacketRows.push_back(Row);
        if (Arg(3) == "2") ApplySiteChoice();
        ApplyCorrections();
        dm.cdsMain.First();
        FitCodeColumns();
        FitNameColumn();
        grAnagrafica->setFocus();
        CopyRecordToEdits();
    } catch (const std::exception& E) {
        ShowApplicationError(E);
    }
}

void TfmTxadMainBase::ApplyCorrections() {
    TClientDataSet& Main = dm.cdsMain;
    if (FCorrections.empty() || !Main.Active()) return;
    const int Rows = std::min(Main.RecordCount(), static_cast<int>(FPacketRows.size()));
    for (int Row = 0; Row < Rows; ++Row) {
        const auto It = FCorrections.find(FPacketRows[static_cast<std::size_t>(Row)]);
        if (It == FCorrections.end()) continue;
        Main.SetRecNo(Row);
        Main.Edit();
        Main.FieldByName("Nome").SetAsString(It->second.Nome);
        Main.FieldByName("ExCodScuola").SetAsString(It->second.ExCodScuola);
        Main.Post();
    }
}

void TfmTxadMainBase::CopyRecordToEdits() {
    TClientDataSet& Main = dm.cdsMain;
    if (!Main.Active() || Main.Eof()) return;
    const TField Nome = Main.FindField("Nome");
    const TField ExCod = Main.FindField("ExCodScuola");
    // The start of a long name is what the user reads first; the whole name
    // is in the tooltip.
    if (Nome.Valid()) {
        edNome->setText(ToQString(Nome.AsText()));
        edNome->setCursorPosition(0);
        edNome->setToolTip(edNome->text());
    }
    if (ExCod.Valid()) {
        const std::string Code = AllTrim(ExCod.AsText());
        edExCod->setText(Code == "." ? QString() : ToQString(Code));
    }
    // A row the school file does not take cannot be corrected.
    const bool Exported = RowExported(Main.RecNo());
    const QString Tip = Exported ? QString() : ToQString(NotExportedTip);
    for (QWidget* Edit :
         {static_cast<QWidget*>(edNome), static_cast<QWidget*>(edExCod), static_cast<QWidget*>(buEdit)}) {
        Edit->setEnabled(Exported);
        if (Edit != edNome) Edit->setToolTip(Tip);
    }
    if (!Exported) edNome->setToolTip(edNome->text() + "\n" + Tip);
    acEdit->setEnabled(Exported);
}

// The two code columns show a whole code and their title whatever the font;
// the design widths are their least.
void TfmTxadMainBase::FitCodeColumns() {
    const QAbstractItemModel* Model = grAnagrafica->model();
    for (int Column = 0; Column < 2; ++Column) {
        const int DesignWidth = txadform::RegistryColumnWidths[Column];
        int Needed = grAnagrafica->horizontalHeader()->sectionSizeHint(Column);
        for (int Row = 0; Row < Model->rowCount(); ++Row)
            Needed = std::max(Needed, grAnagrafica->sizeHintForIndex(Model->index(Row, Column)).width());
        grAnagrafica->setColumnWidth(Column, std::max(DesignWidth, Needed));
    }
}

// A window wider than designed gives the names the room the other columns
// leave; the design width is their least.
void TfmTxadMainBase::FitNameColumn() {
    constexpr int NameColumn = txadform::RegistryNameColumn;
    constexpr int NameWidth = txadform::RegistryColumnWidths[NameColumn];
    const QHeaderView* Header = grAnagrafica->horizontalHeader();
    int Others = 0;
    for (int Column = 0; Column < Header->count(); ++Column)
        if (Column != NameColumn) Others += Header->sectionSize(Column);
    grAnagrafica->setColumnWidth(NameColumn, std::max(NameWidth, grAnagrafica->viewport()->width() - Others));
}

void TfmTxadMainBase::acEditExecute() {
    const txad::FormerCodeEntry ExCod = txad::CheckFormerCode(FromQString(edExCod->text()));
    if (!ExCod.Accepted) {
        ShowMessageDlg(ExCod.Error, mtError, MsgButtons({mbOK}), mbHelp);
        edExCod->setFocus();
        return;
    }
    TClientDataSet& Main = dm.cdsMain;
    if (!Main.Active() || Main.Eof()) return;
    const int Row = Main.RecNo();
    if (!RowExported(Row)) return;
    const TRegistryCorrection Correction{FromQString(edNome->text()), ExCod.Stored};
    Main.Edit();
    Main.FieldByName("Nome").SetAsString(Correction.Nome);
    Main.FieldByName("ExCodScuola").SetAsString(Correction.ExCodScuola);
    Main.Post();
    // Kept for the fresh load of the next visit.
    if (Row >= 0 && Row < static_cast<int>(FPacketRows.size()))
        FCorrections[FPacketRows[static_cast<std::size_t>(Row)]] = Correction;
    grAnagrafica->setFocus();
}
