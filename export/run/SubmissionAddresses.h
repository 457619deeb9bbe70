#pragma once
// The addresses the exported files are e-mailed to, one per recipient. A
// school or a distributor sets them in the registry file, beside MainDir
// (values IndirizzoAIE and IndirizzoANARPE); without them the placeholders
// below are shown, which must be confirmed with the recipients.

#include "export/records/ExportRecordSet.h"
#include "platform/Platform.h"

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

// The message that sends a delivered set: to the recipient's address, the
// subject naming the campaign year and the school code (and a resending,
// when the user said so), the delivered files of DestDir attached.
platform::MailDraft SubmissionDraft(const ExportRecordSet& Set, const std::string& DestDir,
                                    const std::string& SchoolCode, bool Resend);

} // namespace txad
