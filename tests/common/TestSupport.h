#pragma once
// Helpers shared by the test programs.

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Pins the process environment a test program relies on: offscreen Qt, the C
// locale, and HOME / ADOXPORT_HKLM inside a private temporary folder.
void PinEnvironment();

// A step of a test program's own start-up, run by the common test main once the
// application object exists and before the tests: declare a static
// ProgramStartup in one of the program's sources.
struct ProgramStartup {
    explicit ProgramStartup(void (*Step)());
};
// Runs the registered steps in registration order (the common main calls it).
void RunProgramStartup();

// The private temporary folder set up by PinEnvironment (HOME lives below it).
const std::string& SandboxDir();

// Reads / writes a whole file as bytes; throws std::runtime_error on failure.
std::string ReadFileBytes(const std::string& Path);
void WriteFileBytes(const std::string& Path, std::string_view Bytes);

// Describes the first difference of two byte strings: offset, 1-based line and
// both lines, for golden-file assertions. Empty when equal.
std::string FirstDifference(std::string_view Expected, std::string_view Actual);

// Values of one attribute over the rows of a packet, in file order; empty
// where a row lacks it.
std::vector<std::string> PacketColumn(const std::string& Packet, const std::string& Attribute);

} // namespace testsupport
