#include "export/TypedLengthLimit.h"

#include <QLineEdit>

TypedLengthLimit::TypedLengthLimit(QLineEdit* Edit, int Limit)
    : QObject(Edit), m_edit(Edit), m_limit(Limit), m_accepted(Edit->text()) {
    setObjectName("TypedLengthLimit");
    connect(Edit, &QLineEdit::textEdited, this, &TypedLengthLimit::onTextEdited);
    connect(Edit, &QLineEdit::textChanged, this, &TypedLengthLimit::onTextChanged);
    connect(Edit, &QLineEdit::cursorPositionChanged, this, [this](int, int New) { m_cursor = New; });
}

// A signal whose text is no longer the edit's was overtaken by an undo made
// inside an earlier handler of the same change; it is ignored. Qt does not fix
// whether textEdited or textChanged comes first.
void TypedLengthLimit::onTextEdited(const QString& Text) {
    if (Text != m_edit->text()) return;
    if (Text.size() > m_limit && Text.size() > m_accepted.size()) {
        const int Cursor = std::min<int>(m_cursor, static_cast<int>(m_accepted.size()));
        m_edit->setText(m_accepted);
        m_edit->setCursorPosition(Cursor);
    }
}

// Texts the program sets are accepted whole, whatever their length.
void TypedLengthLimit::onTextChanged(const QString& Text) {
    if (Text != m_edit->text()) return;
    if (Text.size() <= m_limit || Text.size() <= m_accepted.size() || !m_edit->isModified())
        m_accepted = Text;
}
