#pragma once
// The plan of the earlier edition, adoxport-classic: no anomaly page (it has
// no data check), no protocol area, a registry page that works on the rows
// start-up or the site page left, no catalogue date, its own record set.

#include "export/wizard/EditionPlan.h"

namespace txad {

const EditionPlan& ClassicEditionPlan();

} // namespace txad
