#pragma once
// Limits what the user types into a line edit to Limit characters, without
// cutting a longer text the program puts there (QLineEdit::setMaxLength would):
// an edit that makes a text longer than the limit and longer than before is
// undone; shortening an over-long text stays possible.

#include <QObject>
#include <QString>

class QLineEdit;

class TypedLengthLimit : public QObject {
    Q_OBJECT
public:
    // Owned by Edit.
    TypedLengthLimit(QLineEdit* Edit, int Limit);
    int Limit() const { return FLimit; }

private:
    void OnTextEdited(const QString& Text);
    void OnTextChanged(const QString& Text);

    QLineEdit* FEdit;
    int FLimit;
    QString FAccepted;
    int FCursor = 0;
};
