#pragma once
// The lengths the wizard's edits and highlighting take from the records.

namespace txad {

// The longest school name the recipients accept: a longer one is highlighted
// and cannot be typed. The current school record's name field is wider, so
// the limit is the recipients', not the layout's.
inline constexpr int AcceptedNameLength = 30;

// The width of the protocol number's field in the first AIE header.
int ProtocolNumberWidth();

} // namespace txad
