#include "export/viewer/RecordFileModel.h"

#include "forms/QtText.h"

#include <algorithm>

namespace {

// One case of a CP1252 letter: ASCII and the accented letters.
char Folded(char Byte) {
    const auto B = static_cast<unsigned char>(Byte);
    if (B >= 'A' && B <= 'Z') return static_cast<char>(B + 0x20);
    if (B >= 0xC0 && B <= 0xDE && B != 0xD7) return static_cast<char>(B + 0x20);
    switch (B) {
    case 0x8A: return static_cast<char>(0x9A);
    case 0x8C: return static_cast<char>(0x9C);
    case 0x8E: return static_cast<char>(0x9E);
    case 0x9F: return static_cast<char>(0xFF);
    default: return Byte;
    }
}

std::string FoldedText(std::string_view Text) {
    std::string Out(Text);
    std::transform(Out.begin(), Out.end(), Out.begin(), Folded);
    return Out;
}

} // namespace

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

std::vector<int> RecordFileModel::MatchingColumns(int Row, std::string_view Needle) const {
    const std::string Line = FoldedText(FLines.Line(static_cast<std::size_t>(Row)));
    std::vector<int> Columns;
    std::size_t At = Line.find(Needle);
    if (At == std::string::npos) return Columns;
    const txad::RecordLayout& Layout = Split(Row);
    const std::vector<std::size_t>& FieldColumns = FColumns.ColumnsOf(Layout);
    for (; At != std::string::npos; At = Line.find(Needle, At + 1)) {
        // Only a match inside one field is a value's.
        for (std::size_t Field = 0; Field < FSpans.size() && Field < FieldColumns.size(); ++Field) {
            const txad::FieldSpan Span = FSpans[Field];
            if (At >= Span.Offset && At + Needle.size() <= Span.Offset + Span.Length)
                Columns.push_back(static_cast<int>(FieldColumns[Field]));
        }
    }
    std::sort(Columns.begin(), Columns.end());
    Columns.erase(std::unique(Columns.begin(), Columns.end()), Columns.end());
    return Columns;
}

QModelIndex RecordFileModel::Find(std::string_view Text, int Row, int Column) const {
    const int Rows = rowCount();
    if (Text.empty() || Rows == 0) return {};
    const std::string Needle = FoldedText(Text);
    if (Row < 0 || Row >= Rows) {
        Row = 0;
        Column = -1;
    }
    // The row of the start is looked at twice: after the start, and at the
    // end, up to and with it.
    for (int Step = 0; Step <= Rows; ++Step) {
        const int At = (Row + Step) % Rows;
        for (const int Found : MatchingColumns(At, Needle)) {
            if (Step == 0 && Found <= Column) continue;
            if (Step == Rows && Found > Column) break;
            return index(At, Found);
        }
    }
    return {};
}
