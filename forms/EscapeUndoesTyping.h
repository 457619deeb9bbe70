#pragma once
// Esc in a line edit gives back the text it had before the user typed, and
// goes no further; with nothing typed, Esc reaches the window as usual (where
// it closes it). The text before typing is Baseline's answer, or without
// one the text the edit had when it took the focus.

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;

class EscapeUndoesTyping : public QObject {
public:
    // Owned by Edit.
    explicit EscapeUndoesTyping(QLineEdit* Edit, std::function<QString()> Baseline = {});

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QLineEdit* FEdit;
    std::function<QString()> FBaseline;
    QString FAtFocus;
};
