#include "export/wizard/CurrentEdition.h"

#include "export/check/DataCheck.h"
#include "export/wizard/AnomalyPage.h"
#include "export/wizard/ExportPage.h"
#include "export/wizard/RegistryPage.h"
#include "export/wizard/SitePage.h"

namespace txad {

const EditionPlan& CurrentEditionPlan() {
    static const EditionPlan Plan{
        .Pages = {{.Make = MakePage<SitePage>, .OnlyWithSites = true},
                  {.Make = MakePage<AnomalyPage>},
                  {.Make = MakePage<RegistryPage>},
                  {.Make = MakePage<ExportPage>}},
        .ProtocolArea = true,
        .RegistryReloads = true,
        .ReadsCatalogueDate = true,
        .CheckedPackets = &DataCheck::Packets,
        .MakeRecordSet = [](const std::string& Target) { return std::make_unique<ExportRecordSet>(Target); },
    };
    return Plan;
}

} // namespace txad
