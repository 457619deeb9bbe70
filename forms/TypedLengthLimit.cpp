#include "forms/TypedLengthLimit.h"

#include <QLabel>
#include <QLineEdit>

TypedLengthLimit::TypedLengthLimit(QLineEdit* Edit, int Limit, QLabel* Counter)
    : QObject(Edit), FEdit(Edit), FLimit(Limit), FCounter(Counter), FAccepted(Edit->text()) {
    setObjectName("TypedLengthLimit");
    connect(Edit, &QLineEdit::textEdited, this, &TypedLengthLimit::OnTextEdited);
    connect(Edit, &QLineEdit::textChanged, this, &TypedLengthLimit::OnTextChanged);
    connect(Edit, &QLineEdit::cursorPositionChanged, this, [this](int, int New) { FCursor = New; });
    ShowCount();
}

void TypedLengthLimit::SetLimit(int Limit) {
    FLimit = Limit;
    ShowCount();
}

// A signal whose text is no longer the edit's was overtaken by an undo made
// inside an earlier handler of the same change; it is ignored. Qt does not fix
// whether textEdited or textChanged comes first.
void TypedLengthLimit::OnTextEdited(const QString& Text) {
    if (FUndoing || Text != FEdit->text()) return;
    if (Text.size() > FLimit && Text.size() > FAccepted.size()) {
        const int Cursor = std::min<int>(FCursor, static_cast<int>(FAccepted.size()));
        // setText clears the modified flag; the text is still the user's.
        const bool Modified = FEdit->isModified();
        FUndoing = true;
        FEdit->setText(FAccepted);
        FEdit->setModified(Modified);
        FEdit->setCursorPosition(Cursor);
        FUndoing = false;
        emit Refused(static_cast<int>(FAccepted.size()));
    }
}

// Texts the program sets are accepted whole, whatever their length.
void TypedLengthLimit::OnTextChanged(const QString& Text) {
    if (Text != FEdit->text()) return;
    if (!FUndoing && (Text.size() <= FLimit || Text.size() <= FAccepted.size() || !FEdit->isModified()))
        FAccepted = Text;
    ShowCount();
}

void TypedLengthLimit::ShowCount() {
    if (!FCounter) return;
    const auto Length = FEdit->text().size();
    FCounter->setText(QStringLiteral("%1/%2").arg(Length).arg(FLimit));
    // Over the limit only with a text the program put there.
    FCounter->setStyleSheet(Length > FLimit ? QStringLiteral("color: rgb(160, 0, 0);") : QString());
}
