#include "forms/TypedLengthLimit.h"

#include <QLineEdit>

TypedLengthLimit::TypedLengthLimit(QLineEdit* Edit, int Limit)
    : QObject(Edit), FEdit(Edit), FLimit(Limit), FAccepted(Edit->text()) {
    setObjectName("TypedLengthLimit");
    connect(Edit, &QLineEdit::textEdited, this, &TypedLengthLimit::OnTextEdited);
    connect(Edit, &QLineEdit::textChanged, this, &TypedLengthLimit::OnTextChanged);
    connect(Edit, &QLineEdit::cursorPositionChanged, this, [this](int, int New) { FCursor = New; });
}

// A signal whose text is no longer the edit's was overtaken by an undo made
// inside an earlier handler of the same change; it is ignored. Qt does not fix
// whether textEdited or textChanged comes first.
void TypedLengthLimit::OnTextEdited(const QString& Text) {
    if (Text != FEdit->text()) return;
    if (Text.size() > FLimit && Text.size() > FAccepted.size()) {
        const int Cursor = std::min<int>(FCursor, static_cast<int>(FAccepted.size()));
        FEdit->setText(FAccepted);
        FEdit->setCursorPosition(Cursor);
    }
}

// Texts the program sets are accepted whole, whatever their length.
void TypedLengthLimit::OnTextChanged(const QString& Text) {
    if (Text != FEdit->text()) return;
    if (Text.size() <= FLimit || Text.size() <= FAccepted.size() || !FEdit->isModified()) FAccepted = Text;
}
