#include "export/wizard/EditionPlan.h"

namespace txad {

std::vector<int> PathPages(const EditionPlan& Plan, WizardPath Path) {
    std::vector<int> Pages;
    for (std::size_t I = 0; I < Plan.Pages.size(); ++I)
        if (Path != WizardPath::WithoutSites || !Plan.Pages[I].OnlyWithSites)
            Pages.push_back(static_cast<int>(I));
    return Pages;
}

} // namespace txad
