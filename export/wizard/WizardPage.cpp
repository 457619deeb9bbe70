#include "export/wizard/WizardPage.h"

#include "export/wizard/PageParts.h"
#include "forms/VxFVuota.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <string_view>

namespace txad {

namespace {

// The guide's section of each page, by the page's name.
struct PageTopic {
    std::string_view Page;
    const char* Topic;
};
constexpr PageTopic PageTopics[] = {
    {"tsSelSedi", "sedi"},
    {"tsAnomalie", "anomalie"},
    {"tsAnagrafica", "anagrafica"},
    {"tsInfo", "esportazione"},
};

} // namespace

WizardPage::WizardPage(const char* ObjectName, WizardSession& Session, QWidget* Parent)
    : QWidget(Parent), FSession(Session) {
    setObjectName(ObjectName);
    for (const PageTopic& Entry : PageTopics)
        if (Entry.Page == ObjectName) SetHelpTopic(this, Entry.Topic);
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
