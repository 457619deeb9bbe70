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
    int Limit() const { return m_limit; }

private:
    void onTextEdited(const QString& Text);
    void onTextChanged(const QString& Text);

    QLineEdit* m_edit;
    int m_limit;
    QString m_accepted;
    int m_cursor = 0;
};
