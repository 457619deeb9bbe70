#pragma once
// Limits what the user types into a line edit to Limit characters, without
// cutting a longer text the program puts there (QLineEdit::setMaxLength would):
// an edit that makes a text longer than the limit and longer than before is
// undone, and Refused tells why; shortening an over-long text stays possible.
// A counter label, when given, shows the length against the limit.

#include <QObject>
#include <QString>

class QLabel;
class QLineEdit;

class TypedLengthLimit : public QObject {
    Q_OBJECT
public:
    // Owned by Edit.
    TypedLengthLimit(QLineEdit* Edit, int Limit, QLabel* Counter = nullptr);
    int Limit() const { return FLimit; }
    void SetLimit(int Limit);

signals:
    // A typed change was undone; Length is the text's length before it.
    void Refused(int Length);

private:
    void OnTextEdited(const QString& Text);
    void OnTextChanged(const QString& Text);
    void ShowCount();

    QLineEdit* FEdit;
    int FLimit;
    QLabel* FCounter;
    QString FAccepted;
    int FCursor = 0;
    bool FUndoing = false;
};
