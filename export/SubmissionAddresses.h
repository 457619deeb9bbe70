#pragma once
// The addresses the exported files are e-mailed to, one per recipient.
// PROVISIONAL: both must be confirmed with the recipients before use.

namespace txad {

inline constexpr const char* AieSubmissionAddress = "da-confermare-aie@invalid";
inline constexpr const char* AnarpeSubmissionAddress = "da-confermare-anarpe@invalid";

} // namespace txad
