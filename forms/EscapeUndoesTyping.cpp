#include "forms/EscapeUndoesTyping.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

EscapeUndoesTyping::EscapeUndoesTyping(QLineEdit* Edit, std::function<QString()> Baseline)
    : QObject(Edit), FEdit(Edit), FBaseline(std::move(Baseline)), FAtFocus(Edit->text()) {
    setObjectName("EscapeUndoesTyping");
    Edit->installEventFilter(this);
}

bool EscapeUndoesTyping::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched != FEdit) return false;
    if (Event->type() == QEvent::FocusIn) {
        FAtFocus = FEdit->text();
        return false;
    }
    if (Event->type() != QEvent::KeyPress) return false;
    const auto* Key = static_cast<QKeyEvent*>(Event);
    if (Key->key() != Qt::Key_Escape || Key->modifiers() != Qt::NoModifier) return false;
    const QString Before = FBaseline ? FBaseline() : FAtFocus;
    if (FEdit->text() == Before) return false;
    FEdit->setText(Before);
    FEdit->setCursorPosition(0);
    return true;
}
