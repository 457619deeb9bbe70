#pragma once
// The site selection page (path "2"): one line per row of the registry
// packet, and a tick for the official description of each school code. It
// cannot be left until every code has exactly one tick; the ticks go to the
// registry page through the session.

#include "export/wizard/WizardPage.h"

#include <string>
#include <vector>

class QLabel;
class QListWidget;

namespace txad {

class SitePage : public WizardPage {
public:
    SitePage(WizardSession& Session, QWidget* Parent);

    const char* StepName() const override { return "Selezione sedi"; }
    // On path "2": the list, from the registry packet.
    void Prepare() override;
    // Loads the registry packet afresh for the registry page, then checks
    // one tick per code.
    bool MayLeave() override;

    // Each item's tick, in list order.
    std::vector<bool> Ticks() const;

    QLabel* laInfo = nullptr;
    QListWidget* clSedi = nullptr;

private:
    // Item texts as CP1252 bytes: the group key is their first 10 bytes.
    std::vector<std::string> FSiteTexts;
};

} // namespace txad
