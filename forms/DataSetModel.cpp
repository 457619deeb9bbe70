#include "forms/DataSetModel.h"

#include "forms/QtText.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

DataSetModel::DataSetModel(TClientDataSet* DataSet, QObject* Parent) : QAbstractTableModel(Parent) {
    SetDataSet(DataSet);
}

DataSetModel::~DataSetModel() {
    if (FDataSet) FDataSet->RemoveListener(FListener);
}

void DataSetModel::SetDataSet(TClientDataSet* DataSet) {
    beginResetModel();
    if (FDataSet) FDataSet->RemoveListener(FListener);
    FDataSet = DataSet;
    FListener = FDataSet ? FDataSet->AddListener([this] { DataSetChanged(); }) : 0;
    FShape = CurrentShape();
    FCurrentRow = CurrentRow();
    ResolveColumns();
    endResetModel();
}

void DataSetModel::SetColumns(std::vector<DataSetColumn> Columns) {
    beginResetModel();
    FColumns = std::move(Columns);
    ResolveColumns();
    endResetModel();
}

int DataSetModel::FieldIndexOf(int Column) const {
    return Column >= 0 && Column < static_cast<int>(FFieldIndexes.size())
               ? FFieldIndexes[static_cast<size_t>(Column)]
               : -1;
}

DataSetModel::Shape DataSetModel::CurrentShape() const {
    Shape S;
    if (!FDataSet) return S;
    S.Active = FDataSet->Active();
    S.Rows = FDataSet->RecordCount();
    S.FieldNames.reserve(static_cast<size_t>(FDataSet->FieldCount()));
    for (int I = 0; I < FDataSet->FieldCount(); ++I) S.FieldNames.push_back(FDataSet->FieldDefAt(I).Name);
    S.IndexNames = FDataSet->IndexFieldNames();
    return S;
}

bool DataSetModel::SameShape() const {
    // Compared in place: the dataset notifies on every move.
    if (!FDataSet) return !FShape.Active && FShape.Rows == 0 && FShape.FieldNames.empty();
    if (FDataSet->Active() != FShape.Active || FDataSet->RecordCount() != FShape.Rows ||
        FDataSet->FieldCount() != static_cast<int>(FShape.FieldNames.size()) ||
        FDataSet->IndexFieldNames() != FShape.IndexNames)
        return false;
    for (int I = 0; I < FDataSet->FieldCount(); ++I)
        if (FDataSet->FieldDefAt(I).Name != FShape.FieldNames[static_cast<size_t>(I)]) return false;
    return true;
}

void DataSetModel::ResolveColumns() {
    FFieldIndexes.clear();
    FTitles.clear();
    if (FColumns.empty()) {
        // Every field, titled with its name.
        for (size_t I = 0; I < FShape.FieldNames.size(); ++I) {
            FFieldIndexes.push_back(static_cast<int>(I));
            FTitles.push_back(ToQString(FShape.FieldNames[I]));
        }
        return;
    }
    for (const auto& C : FColumns) {
        const TField F = FDataSet && FDataSet->Active() ? FDataSet->FindField(C.FieldName) : TField();
        FFieldIndexes.push_back(F.Valid() ? F.Index() : -1);
        FTitles.push_back(ToQString(C.Title.empty() ? C.FieldName : C.Title));
    }
}

void DataSetModel::DataSetChanged() {
    if (!SameShape()) {
        // Loaded, closed, a row deleted or the order changed: the view starts over.
        beginResetModel();
        FShape = CurrentShape();
        ResolveColumns();
        FCurrentRow = CurrentRow();
        endResetModel();
        emit CurrentRowChanged(FCurrentRow);
        return;
    }
    // A move or an edit. Only the current row can be edited, and a move edits
    // nothing: a writer walking a big packet costs two header updates a row.
    const int Row = CurrentRow();
    if (Row == FCurrentRow) {
        if (Row >= 0 && Row < FShape.Rows && !FFieldIndexes.empty())
            emit dataChanged(index(Row, 0), index(Row, static_cast<int>(FFieldIndexes.size()) - 1));
        return;
    }
    const int Old = FCurrentRow;
    FCurrentRow = Row;
    if (Old >= 0 && Old < FShape.Rows) emit headerDataChanged(Qt::Vertical, Old, Old);
    if (Row >= 0) emit headerDataChanged(Qt::Vertical, Row, Row);
    emit CurrentRowChanged(Row);
}

int DataSetModel::CurrentRow() const {
    return FDataSet && FDataSet->Active() ? FDataSet->RecNo() : -1;
}

void DataSetModel::SetCurrentRow(int Row) {
    if (FDataSet && Row >= 0 && Row < FShape.Rows && Row != CurrentRow()) FDataSet->SetRecNo(Row);
}

int DataSetModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : FShape.Rows;
}

int DataSetModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(FFieldIndexes.size());
}

QVariant DataSetModel::data(const QModelIndex& Index, int Role) const {
    if ((Role != Qt::DisplayRole && Role != Qt::AccessibleTextRole) || !FDataSet || !Index.isValid() ||
        Index.row() >= FShape.Rows)
        return {};
    const auto Shown = Index.column() < static_cast<int>(FColumns.size())
                           ? FColumns[static_cast<size_t>(Index.column())].Shown
                           : nullptr;
    // Without its own reading a cell is read as its value (Qt falls back to the display text).
    if (Role == Qt::AccessibleTextRole && !Shown) return {};
    const int Field = FieldIndexOf(Index.column());
    if (Field < 0) return QString();
    const QString Value = ToQString(FDataSet->TextAt(Index.row(), Field));
    return Role == Qt::AccessibleTextRole ? Shown(Value) : Value;
}

QVariant DataSetModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    // A screen reader reads the titles without their padding and the rows by
    // number, the current one said so instead of by its indicator.
    if (Role == Qt::AccessibleTextRole) {
        if (Orientation == Qt::Horizontal) return headerData(Section, Orientation).toString().trimmed();
        QString Name = QStringLiteral("Riga %1").arg(Section + 1);
        if (Section == FCurrentRow) Name += QStringLiteral(", corrente");
        return Name;
    }
    if (Role != Qt::DisplayRole) return {};
    if (Orientation == Qt::Horizontal)
        return Section >= 0 && Section < static_cast<int>(FTitles.size())
                   ? FTitles[static_cast<size_t>(Section)]
                   : QVariant();
    return Section == FCurrentRow ? QString(QChar(0x25B6)) : QString();
}

namespace {
void ShowCurrentRow(QAbstractItemView* View, DataSetModel* Model, int Row) {
    if (Row < 0 || Model->columnCount() == 0) return;
    const QModelIndex Current = View->currentIndex();
    if (Current.isValid() && Current.row() == Row) return;
    const int Column = Current.isValid() ? Current.column() : 0;
    View->selectionModel()->setCurrentIndex(Model->index(Row, Column),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
} // namespace

void BindDataSetView(QAbstractItemView* View, DataSetModel* Model) {
    View->setModel(Model);
    QObject::connect(View->selectionModel(), &QItemSelectionModel::currentRowChanged, Model,
                     [Model](const QModelIndex& Current) {
                         if (Current.isValid()) Model->SetCurrentRow(Current.row());
                     });
    // A row selected without the current cell moving (a row selection or a
    // cell's action through the accessibility tree) becomes the current row,
    // the way a click moves it. Queued: a click or a key selects before it
    // moves the current cell, and a refused move puts the selection back.
    QObject::connect(
        View->selectionModel(), &QItemSelectionModel::selectionChanged, View,
        [View] {
            if (View->selectionMode() != QAbstractItemView::SingleSelection) return;
            const QModelIndexList Selected = View->selectionModel()->selectedIndexes();
            if (Selected.isEmpty()) return;
            const QModelIndex Current = View->currentIndex();
            if (Current.isValid() && Current.row() == Selected.first().row()) return;
            View->selectionModel()->setCurrentIndex(
                View->model()->index(Selected.first().row(), Current.isValid() ? Current.column() : 0),
                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        },
        Qt::QueuedConnection);
    QObject::connect(Model, &DataSetModel::CurrentRowChanged, View,
                     [View, Model](int Row) { ShowCurrentRow(View, Model, Row); });
    // A reset clears the view's current cell; the dataset's row is put back.
    QObject::connect(Model, &QAbstractItemModel::modelReset, View,
                     [View, Model] { ShowCurrentRow(View, Model, Model->CurrentRow()); });
    ShowCurrentRow(View, Model, Model->CurrentRow());
}
