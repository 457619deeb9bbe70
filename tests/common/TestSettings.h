#pragma once
// Export settings for tests, made by the main form's own builder from what
// start-up gathers, so that a field the form fills is filled here too.

#include "export/records/ExportRecordSet.h"
#include "export/wizard/WizardRules.h"

#include <string>

namespace testsupport {

// What start-up gathers for Set: packets and output files in DataDir,
// delivery into DestDir (both ending in the separator). Counts and dates are
// the caller's to add.
inline txad::StartupState StartupFor(const txad::ExportRecordSet& Set, std::string DataDir,
                                     std::string DestDir = {}) {
    txad::StartupState Startup;
    Startup.DataDir = std::move(DataDir);
    Startup.DestDir = std::move(DestDir);
    Startup.Target = Set.Target();
    Startup.BodyFiles = Set.BodyFiles();
    Startup.OutFiles = Set.OutFiles();
    return Startup;
}

// The settings of a run started on Day with ProtocolNumber typed.
inline txad::ExportSettings SettingsOn(const txad::StartupState& Startup, const platform::LocalDate& Day,
                                       std::string ProtocolNumber = {}) {
    return txad::MakeExportSettings(Startup, std::move(ProtocolNumber), {Day.Year, Day.Month, Day.Day});
}

} // namespace testsupport
