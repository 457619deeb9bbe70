#pragma once
// The wizard's rules without widgets: the one-tick-per-code site choice,
// the former school code typed on the registry page, the wizard buttons of
// the export form and the settings an export run starts from. The form reads
// its widgets, calls one of these and shows the outcome.

#include "dataset/ClientDataSet.h"
#include "export/run/ExportSettings.h"
#include "forms/VxWizardPaths.h"
#include "platform/Platform.h"
#include "support/VxStrUtils.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace txad {

// ---- Site choice ----

// Sites of one school share the first 10 bytes of their item text (the school
// code) and stand next to each other in the list.
constexpr std::size_t SiteGroupKeyLength = 10;

// The first item of the first group of sites that has not exactly one tick;
// nothing when every group has one. Ticked[i] is item i's tick (missing ones
// count as not ticked).
std::optional<std::size_t> FirstBadSiteGroup(const std::vector<std::string>& SiteTexts,
                                             const std::vector<bool>& Ticked);

// What the site page tells the user about the group that starts at item
// First: the rule, the school code at fault and how many of its descriptions
// are ticked (CP1252).
std::string SiteGroupError(const std::vector<std::string>& SiteTexts, const std::vector<bool>& Ticked,
                           std::size_t First);

// Item i of the site list stands for row i of the registry packet: the rows
// of unticked items go, the rows beyond the list stay. Returns, for each row
// left in Main, the packet row it came from; leaves the first row current.
std::vector<int> ApplySiteChoice(TClientDataSet& Main, const std::vector<bool>& Ticked);

// ---- Former school code ----

constexpr std::size_t SchoolCodeLength = 10;

// What Modifica does with the typed former code: an empty box stores "." (no
// former code), a code of SchoolCodeLength characters (blanks around it not
// counted) is stored as typed; anything else is refused with Error, which
// names the field and says how many characters were typed.
struct FormerCodeEntry {
    bool Accepted = false;
    std::string Stored;
    std::string Error;
};
FormerCodeEntry CheckFormerCode(const std::string& Typed);

// ---- Wizard buttons ----

// How far start-up went. Failed: the export is out of reach and Next goes
// nowhere. PagesOnly: a path is current and the registry counted, but a
// header date could not be read; the pages before the export can be walked.
// Complete: the export can run.
enum class StartupOutcome { Failed, PagesOnly, Complete };

// Where the wizard stands: the step shown on its route (the path's pages,
// or every page without a path), and whether Back may go along the route,
// which it never does without a path. The export page is the route's last.
struct RoutePosition {
    int Step = -1; // -1 before the first page is shown
    int StepCount = 0;
    bool BackAlong = false;
    // The export stopped: Back leads from the export page to the pages again.
    bool RunStopped = false;
};

// The buttons of the export form: Esci on the export page only; Back after
// the route's first step, on the export page only after a run that stopped
// (to put its cause right and run again); Next before the export page, as
// far as start-up allows.
WizardButtons ExportFormButtons(const RoutePosition& At, StartupOutcome Outcome);

// ---- Export settings ----

// What start-up gathers: the run's settings without the protocol number and
// the run date, and the lists of the record set.
struct StartupState : ExportSettings {
    TStringList BodyFiles;
    TStringList OutFiles;
};

// The settings of a run started at Now with the protocol number typed on the
// registry page.
ExportSettings MakeExportSettings(const StartupState& Startup, std::string ProtocolNumber,
                                  const platform::LocalDateTime& Now);

} // namespace txad
