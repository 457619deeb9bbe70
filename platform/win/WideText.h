#pragma once
// UTF-8 <-> UTF-16 for the Windows side of the layer: names and values reach
// the system's wide-character calls, never its ANSI ones. Needs WinApi.h first.

#include <string>

namespace platform {

inline std::wstring Wide(const std::string& S) {
    if (S.empty()) return {};
    const int N = MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
    std::wstring W(static_cast<std::size_t>(N), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, S.data(), static_cast<int>(S.size()), W.data(), N);
    return W;
}

inline std::string Utf8(const std::wstring& W) {
    if (W.empty()) return {};
    const int N =
        WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), nullptr, 0, nullptr, nullptr);
    std::string S(static_cast<std::size_t>(N), '\0');
    WideCharToMultiByte(CP_UTF8, 0, W.data(), static_cast<int>(W.size()), S.data(), N, nullptr, nullptr);
    return S;
}

} // namespace platform
