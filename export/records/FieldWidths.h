#pragma once
// The lengths the wizard's edits and highlighting take from the record
// layouts of a file set.

#include "export/records/RecordLayout.h"

#include <span>

namespace txad {

// The width of the school name in the set's school records: names are typed
// up to it and longer loaded names are highlighted. 30 for a set without one.
int SchoolNameWidth(std::span<const FileLayout> Files);

// The file whose header carries the protocol number; nullptr when no file of
// the set does.
const FileLayout* ProtocolNumberFile(std::span<const FileLayout> Files);
// The width of that field; 30 for a set without one.
int ProtocolNumberWidth(std::span<const FileLayout> Files);

} // namespace txad
