#pragma once
// DataSetModel: a Qt table model over a TClientDataSet, for the data grid. It
// shows the dataset's rows in visiting order, follows the dataset through its
// listener, and lets the view move the dataset's current row. The dataset must
// outlive the model or be unbound (SetDataSet(nullptr)) first.

#include "dataset/ClientDataSet.h"

#include <QAbstractTableModel>
#include <QString>
#include <string>
#include <vector>

// A grid column: the field it shows (found by name without regard to case)
// and its title; an empty title shows the field's name.
struct DataSetColumn {
    std::string FieldName;
    std::string Title;
    // What the view draws for a value, where that is not the value itself; a
    // screen reader reads the cell the same way.
    QString (*Shown)(const QString& Value) = nullptr;
};

class QAbstractItemView;

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(TClientDataSet* DataSet = nullptr, QObject* Parent = nullptr);
    ~DataSetModel() override;
    DataSetModel(const DataSetModel&) = delete;
    DataSetModel& operator=(const DataSetModel&) = delete;

    void SetDataSet(TClientDataSet* DataSet);
    TClientDataSet* DataSet() const { return FDataSet; }

    // The columns to show, in order; an empty list shows every field. A
    // column whose field the dataset lacks shows empty cells.
    void SetColumns(std::vector<DataSetColumn> Columns);
    // The dataset's field index of a column; -1 when the field is missing.
    int FieldIndexOf(int Column) const;

    // The dataset's current row (-1 when empty), and moving it from the view.
    int CurrentRow() const;
    void SetCurrentRow(int Row);

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    // Horizontal: the column titles; vertical: the row indicator on the current row.
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;

signals:
    // The dataset's current row changed (by the program or through SetCurrentRow).
    void CurrentRowChanged(int Row);

private:
    // What a change of which makes the view start over.
    struct Shape {
        bool Active = false;
        int Rows = 0;
        std::vector<std::string> FieldNames;
        std::string IndexNames;
    };
    Shape CurrentShape() const;
    bool SameShape() const;
    void ResolveColumns();
    void DataSetChanged();

    TClientDataSet* FDataSet = nullptr;
    int FListener = 0;
    std::vector<DataSetColumn> FColumns;
    // One entry per shown column: its field index (-1 missing) and title.
    std::vector<int> FFieldIndexes;
    std::vector<QString> FTitles;
    Shape FShape;
    int FCurrentRow = -1;
};

// Sets Model on View and keeps the view's current row and the dataset's
// current row together, in both directions (a click or a key moves the
// dataset; a move of the dataset moves the view's current cell).
void BindDataSetView(QAbstractItemView* View, DataSetModel* Model);
