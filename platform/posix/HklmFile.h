#pragma once
// The machine registry as a registry export file, the Linux stand-in for
// HKEY_LOCAL_MACHINE. Only read, never written.

#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace platform::detail {

// A string value under HKEY_LOCAL_MACHINE\Key in the export file File, as
// UTF-8. Nothing when the file, the key or the value is missing (which one
// goes to Missing when given); PlatformError for a value of another type or a
// malformed file.
std::optional<std::string> ReadHklmFileString(const std::string& File, std::string_view Key,
                                              std::string_view Value, HklmMissing* Missing = nullptr);
// The same for the export file's bytes; File is the name errors give.
std::optional<std::string> ReadHklmBytes(const std::string& Bytes, const std::string& File,
                                         std::string_view Key, std::string_view Value,
                                         HklmMissing* Missing = nullptr);

// The registry source of CurrentHklmSource from the value of ADOXPORT_HKLM
// (null when unset), the system's file and the user's file.
HklmSource ChooseHklmSource(const char* Env, const std::string& System, const std::string& User);

} // namespace platform::detail
