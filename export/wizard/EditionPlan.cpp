#include "export/wizard/EditionPlan.h"

#include <algorithm>

namespace txad {

std::vector<int> PathPages(const EditionPlan& Plan, WizardPath Path) {
    std::vector<int> Pages;
    for (std::size_t I = 0; I < Plan.Pages.size(); ++I)
        if (Path != WizardPath::WithoutSites || !Plan.Pages[I].OnlyWithSites)
            Pages.push_back(static_cast<int>(I));
    return Pages;
}

std::vector<std::string> PlanPackets(const EditionPlan& Plan, const std::string& Target) {
    std::vector<std::string> Names;
    auto Add = [&Names](const std::string& Name) {
        if (std::find(Names.begin(), Names.end(), Name) == Names.end()) Names.push_back(Name);
    };
    for (const std::string& Name : Plan.MakeRecordSet(Target)->BodyFiles()) Add(Name);
    if (Plan.CheckedPackets)
        for (const std::string& Name : Plan.CheckedPackets()) Add(Name);
    return Names;
}

} // namespace txad
