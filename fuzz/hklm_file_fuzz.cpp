// Feeds arbitrary bytes to the registry export file reader as the machine's
// registry file: no crash, no hang, only PlatformError for a broken file, and
// a value found is whole UTF-8 text.

#include "Platform.h"
#include "posix/HklmFile.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
    for (const char* Value : {"MainDir", "", "IndirizzoAIE"}) {
        try {
            platform::HklmMissing Missing{};
            const std::optional<std::string> Text = platform::detail::ReadHklmBytes(
                Bytes, "fuzz.reg", "SOFTWARE\\VexonMorvale\\", Value, &Missing);
            if (Text && QString::fromUtf8(Text->data(), static_cast<qsizetype>(Text->size())).toUtf8() !=
                            QByteArray::fromStdString(*Text))
                std::abort();
        } catch (const platform::PlatformError&) {}
    }
    return 0;
}
