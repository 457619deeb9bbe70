#pragma once
// What lets an export run stop cleanly when the process is asked to end, and
// the pause points that tests use to interrupt real runs at a chosen step.

#include "support/VxExceptions.h"

#include <functional>

namespace txad {

// The user gave the run up (the zip's or the wait window's Annulla): not a
// failure, and nothing delivered before is touched.
class ExportCancelled : public EVxError {
public:
    ExportCancelled() : EVxError("Esportazione annullata dall'utente") {}
};

// Raises EVxError when a termination signal has come (platform's
// TerminationGuard), so the run unwinds through its cleanup.
void ThrowIfTerminationRequested();

// A named step of the run. In builds with ADOX_TEST_HOOKS (those that build
// the tests), when the environment variable ADOXPORT_TEST_PAUSE_AT lists the
// step (comma-separated) and ADOXPORT_TEST_PAUSE_DIR names a folder, the run
// creates the file <folder>/<step> and waits while it exists (at most two
// minutes, or until a termination signal). Elsewhere it does nothing.
void TestPausePoint(const char* Step);
// The same, running WhileWaiting while it waits, so that a window keeps
// answering (the accessibility tree of a paused run).
void TestPausePoint(const char* Step, const std::function<void()>& WhileWaiting);

} // namespace txad
