#pragma once
// The user's own registry file, which the start dialog writes so that a user
// without an administrator can name the installation folder.

#include <string>
#include <string_view>

// Base (the user's file when there is one, else the commented example) with
// its "MainDir" value set to MainDir (UTF-8): the line is replaced, or added
// under the suite's key, which is added when missing. The other values and
// comments stay. A base that is not a version 5 or REGEDIT4 text file is not
// changed: EVxError. A folder that REGEDIT4 (CP1252) cannot hold: EVxError.
std::string UserRegistryText(std::string_view Base, const std::string& MainDir);

// Writes UserRegistryText at platform::UserHklmFilePath() (its folder made
// when missing) and reads MainDir back; EVxError naming the file otherwise.
void WriteUserRegistry(const std::string& MainDir);
