#pragma once
// RecordFileModel: a read-only table model over one record file's bytes, a
// row per line (header and trailer too) and a column per field name of the
// file's layouts, the record's name first. Cells are cut from the bytes when
// the view asks, so a file at the format's limit opens at once.

#include "export/records/RecordLines.h"

#include <QAbstractTableModel>
#include <string>
#include <string_view>
#include <vector>

class RecordFileModel : public QAbstractTableModel {
    Q_OBJECT
public:
    RecordFileModel(std::string Bytes, const txad::FileLayout& Layout, QObject* Parent = nullptr);
    RecordFileModel(const RecordFileModel&) = delete;
    RecordFileModel& operator=(const RecordFileModel&) = delete;

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    // Horizontal: the field names; vertical: the line number.
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;

    // The next cell after (Row, Column), in row then column order and round
    // to the start, whose value holds Text (CP1252; letters of either case);
    // the cell itself comes last. Record names are not values. Invalid when
    // no value holds it.
    QModelIndex Find(std::string_view Text, int Row, int Column) const;

private:
    // The layout and field spans of Row, kept for the row the view asks next.
    const txad::RecordLayout& Split(int Row) const;
    // The columns of Row whose values hold Folded (already case-folded), in
    // order.
    std::vector<int> MatchingColumns(int Row, std::string_view Folded) const;

    const std::string FBytes;
    const txad::FileLayout& FLayout;
    const txad::RecordLines FLines;
    txad::RecordColumns FColumns;
    mutable int FSplitRow = -1;
    mutable const txad::RecordLayout* FSplitLayout = nullptr;
    mutable std::vector<txad::FieldSpan> FSpans;
};
