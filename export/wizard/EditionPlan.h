#pragma once
// An edition of the wizard as data: its pages in order, the options of its
// registry page and start-up, and its record set. The two paths follow from
// the pages: "1" walks those not marked OnlyWithSites, "2" walks them all.

#include "export/records/ExportRecordSet.h"
#include "export/wizard/WizardArguments.h"

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace txad {

class WizardPage;
struct WizardSession;

// One page of a plan: how it is made, and whether only the path with the
// site choice shows it.
struct PlanPage {
    WizardPage* (*Make)(WizardSession& Session, QWidget* Parent) = nullptr;
    bool OnlyWithSites = false;
};

template <class Page>
WizardPage* MakePage(WizardSession& Session, QWidget* Parent) {
    return new Page(Session, Parent);
}

struct EditionPlan {
    // In the order the wizard walks them; the export page is the last.
    std::vector<PlanPage> Pages;
    // The registry page asks for the protocol number of the first AIE header.
    bool ProtocolArea = true;
    // The registry page loads the registry packet afresh on every show;
    // otherwise it works on the rows start-up or the site page left.
    bool RegistryReloads = true;
    // Start-up reads the catalogue date of the first AIE header.
    bool ReadsCatalogueDate = true;
    // The packets the data check reads besides the record set's; none
    // without a data check.
    const std::vector<std::string>& (*CheckedPackets)() = nullptr;
    std::unique_ptr<ExportRecordSet> (*MakeRecordSet)(const std::string& Target) = nullptr;
};

// The page indexes a path walks: every page without a path or with the site
// choice, the pages not marked OnlyWithSites on path "1".
std::vector<int> PathPages(const EditionPlan& Plan, WizardPath Path);

// Every packet a run of the plan for Target reads, each once: the record
// set's, then the data check's.
std::vector<std::string> PlanPackets(const EditionPlan& Plan, const std::string& Target);

} // namespace txad
