#include "export/viewer/RecordFileModel.h"

#include "forms/QtText.h"

RecordFileModel::RecordFileModel(std::string Bytes, const txad::FileLayout& Layout, QObject* Parent)
    : QAbstractTableModel(Parent), FBytes(std::move(Bytes)), FLayout(Layout), FLines(FBytes) {
    FColumns.Add(Layout);
}

int RecordFileModel::rowCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(FLines.Count());
}

int RecordFileModel::columnCount(const QModelIndex& Parent) const {
    return Parent.isValid() ? 0 : static_cast<int>(FColumns.Count());
}

const txad::RecordLayout& RecordFileModel::Split(int Row) const {
    if (Row != FSplitRow) {
        const auto Line = static_cast<std::size_t>(Row);
        FSplitLayout = &txad::LayoutOfLine(FLayout, FLines.Line(Line), Line, FLines.Count());
        txad::SplitRecord(*FSplitLayout, FLines.Line(Line), FSpans);
        FSplitRow = Row;
    }
    return *FSplitLayout;
}

QVariant RecordFileModel::data(const QModelIndex& Index, int Role) const {
    if (!Index.isValid() || Role != Qt::DisplayRole) return {};
    const txad::RecordLayout& Layout = Split(Index.row());
    if (Index.column() == 0) return ToQString(Layout.Name);
    const int Field = FColumns.FieldAt(Layout, static_cast<std::size_t>(Index.column()));
    if (Field < 0 || static_cast<std::size_t>(Field) >= FSpans.size()) return {};
    const txad::FieldSpan Span = FSpans[static_cast<std::size_t>(Field)];
    return ToQString(FLines.Line(static_cast<std::size_t>(Index.row())).substr(Span.Offset, Span.Length));
}

QVariant RecordFileModel::headerData(int Section, Qt::Orientation Orientation, int Role) const {
    if (Role != Qt::DisplayRole) return QAbstractTableModel::headerData(Section, Orientation, Role);
    if (Orientation == Qt::Vertical) return Section + 1;
    if (Section < 0 || static_cast<std::size_t>(Section) >= FColumns.Count()) return {};
    return ToQString(FColumns.Name(static_cast<std::size_t>(Section)));
}
