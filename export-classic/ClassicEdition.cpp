#include "export-classic/ClassicEdition.h"

#include "export-classic/ClassicRecordSet.h"
#include "export/wizard/ExportPage.h"
#include "export/wizard/RegistryPage.h"
#include "export/wizard/SitePage.h"

namespace txad {

const EditionPlan& ClassicEditionPlan() {
    static const EditionPlan Plan{
        .Pages = {{.Make = MakePage<SitePage>, .OnlyWithSites = true},
                  {.Make = MakePage<RegistryPage>},
                  {.Make = MakePage<ExportPage>}},
        .ProtocolArea = false,
        .RegistryReloads = false,
        .ReadsCatalogueDate = false,
        .MakeRecordSet = [](const std::string& Target) -> std::unique_ptr<ExportRecordSet> {
            return std::make_unique<ClassicRecordSet>(Target);
        },
    };
    return Plan;
}

} // namespace txad
