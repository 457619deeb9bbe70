#include "export-classic/ClassicEdition.h"

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
        .MakeRecordSet =
            [](const std::string& Target) {
                return std::make_unique<ExportRecordSet>(Target, Edition::Classic);
            },
    };
    return Plan;
}

} // namespace txad
