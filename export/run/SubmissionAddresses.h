#pragma once
// The addresses the exported files are e-mailed to, one per recipient. A
// school or a distributor sets them in the registry file, beside MainDir
// (values IndirizzoAIE and IndirizzoANARPE); without them the placeholders
// below are shown, which must be confirmed with the recipients.

#include <string>

namespace txad {

inline constexpr const char* AieAddressValue = "IndirizzoAIE";
inline constexpr const char* AnarpeAddressValue = "IndirizzoANARPE";
inline constexpr const char* AiePlaceholderAddress = "da-confermare-aie@invalid";
inline constexpr const char* AnarpePlaceholderAddress = "da-confermare-anarpe@invalid";

// The configured address in CP1252, blanks around it removed; the
// placeholder when the value is missing, empty or not a string.
std::string AieSubmissionAddress();
std::string AnarpeSubmissionAddress();

} // namespace txad
