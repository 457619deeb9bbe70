// The program's command line: usage errors are told, with status 2, even
// where no display is there to connect to.

#include "tests/common/TestSupport.h"
#include "tests/export/wizard/WizardTestData.h"

#include "support/VxGlobals.h"
#include "support/VxParam.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <string>

namespace {

// Before any test of the program: the installation folder the registry file
// points at, and the framework's start-up.
const testsupport::ProgramStartup InstallationStep([] {
    wizardtest::PrepareInstallation(testsupport::SandboxDir());
    VxFrameworkStartup(false);
});

TEST(CommandLine, UsageErrorsNeedNoDisplay) {
    struct Case {
        const char* Name;
        QStringList Args;
        const char* Reason;
    };
    const Case Cases[] = {
        {"unknown option", {"--bogus"}, "unknown option --bogus"},
        {"four positional arguments", {"a", "aie", "1", "d"}, "too many arguments"},
        {"option without its value", {"a", "aie", "2", "--sites"}, "missing value after --sites"},
        {"site position that is no number", {"a", "aie", "2", "--sites", "1,x"}, "invalid site position"},
        {"empty position inside the list", {"a", "aie", "2", "--sites", "1,,2"}, "invalid site position"},
    };
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    Env.remove("DISPLAY");
    Env.remove("WAYLAND_DISPLAY");
    Env.insert("QT_QPA_PLATFORM", "xcb");
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        QProcess Program;
        Program.setProcessEnvironment(Env);
        Program.start(ADOX_PROGRAM, C.Args);
        ASSERT_TRUE(Program.waitForFinished(30000));
        EXPECT_EQ(Program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(Program.exitCode(), 2);
        const std::string Err = Program.readAllStandardError().toStdString();
        EXPECT_NE(Err.find(std::string("adoxport: ") + C.Reason), std::string::npos) << Err;
        EXPECT_NE(Err.find("usage: adoxport DATA_DIR TARGET PATH"), std::string::npos) << Err;
        EXPECT_TRUE(Program.readAllStandardOutput().isEmpty());
    }
}

TEST(CommandLine, WindowWithoutDisplayIsRefused) {
    QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
    for (const char* Name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) Env.remove(Name);
    QProcess Program;
    Program.setProcessEnvironment(Env);
    Program.start(ADOX_PROGRAM, {"data", "aie", "1"});
    ASSERT_TRUE(Program.waitForFinished(30000));
    EXPECT_EQ(Program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Program.exitCode(), 2);
    const std::string Err = Program.readAllStandardError().toStdString();
    EXPECT_NE(Err.find("adoxport: a display is needed for the window; use --unattended"), std::string::npos)
        << Err;
}

// Under cron or a service XDG_RUNTIME_DIR is not set: standard error still
// holds only the program's own messages.
TEST(CommandLine, UnattendedStderrHoldsOnlyTheProgramsMessages) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    struct Case {
        const char* Name;
        const char* Hklm; // replaces ADOXPORT_HKLM when set
        int Status;
        std::string Err;
    };
    const std::string Missing = testsupport::SandboxDir() + "/nowhere.reg";
    const Case Cases[] = {
        {"export", nullptr, 0, ""},
        {"start-up error", "nowhere", 2,
         "adoxport: File del registro non trovato: " + Missing +
             "\nIl percorso si imposta con la variabile d'ambiente ADOXPORT_HKLM.\n"
             "Un esempio commentato \u00E8 " +
             ExampleRegistryFile() +
             ".\n"
             // The line the box leaves out stays on stderr as raised.
             "adoxport: Invalid argument to date encode\n"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.remove("XDG_RUNTIME_DIR");
        Env.remove("QT_QPA_PLATFORM");
        if (C.Hklm) Env.insert("ADOXPORT_HKLM", QString::fromStdString(Missing));
        QProcess Program;
        Program.setProcessEnvironment(Env);
        Program.start(ADOX_PROGRAM, {QString::fromStdString(Dir), "aie", "1", "--unattended"});
        ASSERT_TRUE(Program.waitForFinished(60000));
        EXPECT_EQ(Program.exitCode(), C.Status);
        EXPECT_EQ(Program.readAllStandardError().toStdString(), C.Err);
    }
}

} // namespace
