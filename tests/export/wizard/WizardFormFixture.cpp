#include "WizardFormFixture.h"

#include "support/VxGlobals.h"

namespace {

// Before any test of the program: the installation folder the registry file
// points at, and the framework's start-up.
const testsupport::ProgramStartup InstallationStep([] {
    wizardtest::PrepareInstallation(testsupport::SandboxDir());
    VxFrameworkStartup(false);
});

} // namespace
