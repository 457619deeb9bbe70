#pragma once
// The plan of the current edition, adoxport.

#include "export/wizard/EditionPlan.h"

namespace txad {

const EditionPlan& CurrentEditionPlan();

} // namespace txad
