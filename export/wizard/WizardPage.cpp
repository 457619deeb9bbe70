#include "export/wizard/WizardPage.h"

#include "export/wizard/PageParts.h"

#include <QFontDatabase>
#include <QPlainTextEdit>

namespace txad {

WizardPage::WizardPage(const char* ObjectName, WizardSession& Session, QWidget* Parent)
    : QWidget(Parent), FSession(Session) {
    setObjectName(ObjectName);
}

void SetMemoFont(QPlainTextEdit* Memo) {
    QFont Font("Lucida Console", 8);
    if (!QFontDatabase::families().contains("Lucida Console")) {
        Font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        Font.setPointSize(8);
    }
    Memo->setFont(Font);
}

} // namespace txad
