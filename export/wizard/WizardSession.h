#pragma once
// What the coordinator hands to every page of one wizard, as one object: the
// data module, the edition's plan, the arguments, what start-up found, the
// state of the run and the values one page leaves for another.

#include "export/records/Packets.h"
#include "export/wizard/EditionPlan.h"
#include "export/wizard/WizardArguments.h"
#include "export/wizard/WizardRules.h"
#include "export/wizard/txadMMain.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace txad {

enum class RunState { NotRun, Running, Finished, Stopped };

struct WizardSession {
    WizardSession(TdmTxadMain& DataModule, const EditionPlan& EditionPlan, WizardArguments Arguments)
        : Dm(DataModule), Plan(EditionPlan), Args(std::move(Arguments)) {}

    TdmTxadMain& Dm;
    const EditionPlan& Plan;
    const WizardArguments Args;
    // Read when the data check and the export run start; tests set a fixed one.
    std::function<platform::LocalDateTime()> Clock = platform::Now;

    StartupState Startup;
    std::unique_ptr<ExportRecordSet> RecordSet;
    StartupOutcome Outcome = StartupOutcome::Failed;
    RunState Run = RunState::NotRun;
    // The last run stopped because the user cancelled it.
    bool RunCancelled = false;

    // Left by the site page each time it lets the user go: item i's tick
    // stands for row i of the registry packet.
    std::vector<bool> SiteTicks;
    // The registry page's protocol number, as typed.
    std::string ProtocolNumber;
    // Left by the registry page: the code of its first school, and whether
    // the user marked the export as a correction or a second attempt.
    std::string SchoolCode;
    bool Resend = false;

    // DataDir + the packet's file name.
    std::string PacketPath(Packet Role) const { return Startup.DataDir + std::string(PacketFile(Role)); }
};

} // namespace txad
