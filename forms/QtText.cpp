#include "forms/QtText.h"

#include "platform/Platform.h"

QString ToQString(std::string_view Text) {
    const std::u16string Wide = platform::Utf16FromCp1252(Text);
    return QString::fromUtf16(Wide.data(), static_cast<qsizetype>(Wide.size()));
}

std::string FromQString(const QString& Text) {
    return platform::Cp1252FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(Text.utf16()),
                                                         static_cast<size_t>(Text.size())));
}
