#include "export/run/SubmissionAddresses.h"

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

} // namespace txad
