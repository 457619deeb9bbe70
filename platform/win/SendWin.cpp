// The shell shows a folder and hands a mailto: link to the user's mail
// client. A mailto: link carries address, subject and text but no files:
// the caller shows the folder so they can be attached by hand.

#ifdef _WIN32

#include "platform/win/WinApi.h"

#include <shellapi.h>

#include "platform/Platform.h"
#include "platform/win/WideText.h"

#include <cstdio>

namespace platform {

namespace {

// The shell's answers above 32 mean success.
bool Opened(HINSTANCE Result) {
    return reinterpret_cast<INT_PTR>(Result) > 32;
}

// Percent-encoding of a URL component, from its UTF-8 bytes.
std::string UrlComponent(const std::string& Utf8Text) {
    std::string Out;
    for (const char C : Utf8Text) {
        const auto Byte = static_cast<unsigned char>(C);
        if ((Byte >= 'A' && Byte <= 'Z') || (Byte >= 'a' && Byte <= 'z') || (Byte >= '0' && Byte <= '9') ||
            Byte == '-' || Byte == '.' || Byte == '_' || Byte == '~' || Byte == '@') {
            Out += C;
        } else {
            char Hex[4];
            std::snprintf(Hex, sizeof Hex, "%%%02X", Byte);
            Out += Hex;
        }
    }
    return Out;
}

} // namespace

bool OpenFolder(const std::string& Dir) {
    return Opened(ShellExecuteW(nullptr, L"open", Wide(Dir).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

MailOutcome ComposeMail(const MailDraft& Draft) {
    std::string Link = "mailto:" + UrlComponent(Utf8FromCp1252(Draft.To)) +
                       "?subject=" + UrlComponent(Utf8FromCp1252(Draft.Subject));
    if (!Draft.Body.empty()) Link += "&body=" + UrlComponent(Utf8FromCp1252(Draft.Body));
    if (!Opened(ShellExecuteW(nullptr, L"open", Wide(Link).c_str(), nullptr, nullptr, SW_SHOWNORMAL)))
        return MailOutcome::NoMailClient;
    return Draft.Attachments.empty() ? MailOutcome::Composed : MailOutcome::ComposedWithoutAttachments;
}

} // namespace platform

#endif // _WIN32
