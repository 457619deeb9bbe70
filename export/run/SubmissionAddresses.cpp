#include "export/run/SubmissionAddresses.h"

#include "export/records/RecordFields.h"
#include "export/run/ExportRun.h"
#include "platform/Platform.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {

std::string Configured(const char* Value, const char* Placeholder) {
    try {
        if (std::optional<std::string> Text = platform::ReadHklmString(VxRegistryKey, Value)) {
            std::string Address = AllTrim(platform::Cp1252FromUtf8(*Text));
            if (!Address.empty()) return Address;
        }
    } catch (const platform::PlatformError&) {
        // A value of another type is no address; the sending sentence still
        // names where the files go.
    }
    return Placeholder;
}

} // namespace

std::string AieSubmissionAddress() {
    return Configured(AieAddressValue, AiePlaceholderAddress);
}

std::string AnarpeSubmissionAddress() {
    return Configured(AnarpeAddressValue, AnarpePlaceholderAddress);
}

platform::MailDraft SubmissionDraft(const ExportRecordSet& Set, const std::string& DestDir,
                                    const std::string& SchoolCode, bool Resend) {
    platform::MailDraft Draft;
    const std::string Year(CampaignYear);
    Draft.Subject = "Dati adozionali " + Year + " - scuola " + SchoolCode;
    if (Resend) Draft.Subject += " - correzione o secondo tentativo";
    Draft.Body = "In allegato i dati adozionali " + Year + " della scuola " + SchoolCode + ".\n";
    if (Set.IsAnarpe()) {
        Draft.To = AnarpeSubmissionAddress();
        Draft.Attachments.push_back(DestDir + ArchiveName);
    } else {
        Draft.To = AieSubmissionAddress();
        for (const std::string& Name : Set.OutFiles()) Draft.Attachments.push_back(DestDir + Name);
    }
    return Draft;
}

} // namespace txad
