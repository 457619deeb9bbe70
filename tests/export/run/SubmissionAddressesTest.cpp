// The submission addresses come from the registry file beside MainDir, with
// the placeholders where none is set.

#include "export/run/SubmissionAddresses.h"
#include "platform/Platform.h"
#include "tests/common/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(SubmissionAddresses, ReadFromTheRegistryFileWithPlaceholdersAsFallback) {
    const std::string Head =
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"/x/\"\r\n";
    struct Case {
        const char* Name;
        std::string File; // empty: no registry file
        std::string Aie;
        std::string Anarpe;
    };
    const Case Cases[] = {
        {"no registry file", "", txad::AiePlaceholderAddress, txad::AnarpePlaceholderAddress},
        {"only MainDir", Head, txad::AiePlaceholderAddress, txad::AnarpePlaceholderAddress},
        {"both set",
         Head + "\"IndirizzoAIE\"=\"invio@aie.example\"\r\n\"IndirizzoANARPE\"=\"invio@anarpe.example\"\r\n",
         "invio@aie.example", "invio@anarpe.example"},
        {"names in another case, blanks around", Head + "\"indirizzoaie\"=\"  a@b.example \"\r\n",
         "a@b.example", txad::AnarpePlaceholderAddress},
        {"empty value", Head + "\"IndirizzoAIE\"=\"\"\r\n", txad::AiePlaceholderAddress,
         txad::AnarpePlaceholderAddress},
        {"not a string", Head + "\"IndirizzoANARPE\"=dword:00000001\r\n", txad::AiePlaceholderAddress,
         txad::AnarpePlaceholderAddress},
        {"under another key",
         "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Altro]\r\n\"IndirizzoAIE\"=\"x@y.example\"\r\n",
         txad::AiePlaceholderAddress, txad::AnarpePlaceholderAddress},
        {"accented letter in CP1252",
         "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"
         "\"IndirizzoAIE\"=\"citt\xE0@x.example\"\r\n",
         "citt\xE0@x.example", txad::AnarpePlaceholderAddress},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::filesystem::remove(platform::HklmFilePath());
        if (!C.File.empty()) testsupport::WriteFileBytes(platform::HklmFilePath(), C.File);
        EXPECT_EQ(txad::AieSubmissionAddress(), C.Aie);
        EXPECT_EQ(txad::AnarpeSubmissionAddress(), C.Anarpe);
    }
    std::filesystem::remove(platform::HklmFilePath());
}

} // namespace
