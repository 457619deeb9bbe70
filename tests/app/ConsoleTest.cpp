// The unattended program and its console: the protocol number as typed on a
// UTF-8 command line, values from the packets on a terminal, and a standard
// output that fails, each through the real program.

#include "TestSupport.h"
#include "WizardTestData.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int Status = -1; // the exit status, or 128 + the signal that ended it
    std::string Out;
    std::string Err;
};

// Runs a program with the test's own environment (HOME and the registry file
// of the sandbox, the demo's installation) and Args as bytes. Standard output
// goes to StdoutFd when one is given, else to a file that is read back.
Outcome Spawn(const std::vector<std::string>& Args, int StdoutFd = -1) {
    const std::string Base = testsupport::SandboxDir() + "/console-run";
    const int Out = ::open((Base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int Err = ::open((Base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_adddup2(&Actions, StdoutFd >= 0 ? StdoutFd : Out, 1);
    posix_spawn_file_actions_adddup2(&Actions, Err, 2);
    std::vector<char*> Argv;
    for (const std::string& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
    Argv.push_back(nullptr);
    Outcome R;
    pid_t Child = 0;
    const int Rc = posix_spawn(&Child, Argv[0], &Actions, nullptr, Argv.data(), environ);
    posix_spawn_file_actions_destroy(&Actions);
    ::close(Out);
    ::close(Err);
    if (Rc != 0) {
        ADD_FAILURE() << "cannot start " << Args[0];
        return R;
    }
    int Status = 0;
    while (::waitpid(Child, &Status, 0) < 0 && errno == EINTR) {}
    R.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
    R.Out = testsupport::ReadFileBytes(Base + ".out");
    R.Err = testsupport::ReadFileBytes(Base + ".err");
    return R;
}

std::vector<std::string> Export(const std::string& Dir, const std::string& Target) {
    return {ADOX_PROGRAM, Dir, Target, "1", "--unattended"};
}

fs::path Delivered(const std::string& Target) {
    return fs::path(testsupport::SandboxDir()) / "home" / "rozadiver" / "datrex" / Target;
}

void RemoveDeliveries() {
    fs::remove_all(fs::path(testsupport::SandboxDir()) / "home" / "rozadiver");
}

// The protocol number reaches the header record in the program's code page,
// exactly as typed in the window; what that code page cannot hold, or a
// control character, is a usage error naming it, and nothing is written.
TEST(Console, ProtocolNumberIsTextOfTheCommandLine) {
    struct Case {
        const char* Name;
        std::string Protocol; // the argument's bytes
        int Status;
        std::string Expected; // in the header record, or on stderr
    };
    const Case Cases[] = {
        {"accented letters and the degree sign", "Prot. n\xC2\xB0 12/\xC3\xA8", 0, "Prot. n\xB0 12/\xE8"},
        {"euro sign, a letter of the code page above 0x7F", "\xE2\x82\xAC 5", 0, "\x80 5"},
        {"letter the code page lacks", "n. 12/\xC5\x99", 2, "--protocol: il carattere \"\xC5\x99\" (U+0159)"},
        {"tab", "12\t13", 2, "--protocol: carattere di controllo U+0009 non ammesso"},
        {"escape", "\x1B[31m12", 2, "--protocol: carattere di controllo U+001B non ammesso"},
        {"C1 control", "12\xC2\x9D", 2, "--protocol: carattere di controllo U+009D non ammesso"},
        {"bytes that are no UTF-8", "n\xB0 12", 2, "--protocol: testo non valido nella codifica del sistema"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
        std::vector<std::string> Args = Export(Dir, "aie");
        Args.insert(Args.end(), {"--protocol", C.Protocol});
        const Outcome R = Spawn(Args);
        EXPECT_EQ(R.Status, C.Status) << R.Err;
        if (C.Status == 0) {
            const std::vector<std::string> Lines = wizardtest::FileLines(Dir + "File014.txt");
            ASSERT_FALSE(Lines.empty());
            EXPECT_NE(Lines.front().find(C.Expected), std::string::npos) << Lines.front();
        } else {
            EXPECT_NE(R.Err.find("adoxport: " + C.Expected), std::string::npos) << R.Err;
            EXPECT_TRUE(R.Out.empty()) << R.Out;
            EXPECT_FALSE(fs::exists(Dir + "File014.txt"));
        }
    }
}

// A standard output that takes nothing (a reader gone, a full disk) does not
// stop the export: the files are delivered, standard error says the report
// is lost, and the status is 3 rather than 0.
TEST(Console, LostStandardOutputNeverStopsTheDelivery) {
    struct Case {
        const char* Name;
        const char* Target;
        bool ClosedPipe; // else /dev/full
        const char* Delivered;
    };
    const Case Cases[] = {
        {"pipe without a reader, AIE", "aie", true, "File815E.txt"},
        {"pipe without a reader, ANARPE", "anarpe", true, "Anarpe.zip"},
        {"full disk", "anarpe", false, "Anarpe.zip"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        if (!C.ClosedPipe && !fs::exists("/dev/full")) continue;
        RemoveDeliveries();
        const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
        int Fd = -1;
        if (C.ClosedPipe) {
            int Ends[2];
            ASSERT_EQ(::pipe(Ends), 0);
            ::close(Ends[0]);
            Fd = Ends[1];
        } else {
            Fd = ::open("/dev/full", O_WRONLY);
            ASSERT_GE(Fd, 0);
        }
        const Outcome R = Spawn(Export(Dir, C.Target), Fd);
        ::close(Fd);
        EXPECT_EQ(R.Status, 3) << R.Err;
        EXPECT_NE(
            R.Err.find("adoxport: Esportazione terminata, ma il rapporto delle anomalie e il log non sono "
                       "stati scritti sullo standard output: "),
            std::string::npos)
            << R.Err;
        EXPECT_TRUE(fs::is_regular_file(Delivered(C.Target) / C.Delivered));
    }
}

// As a script reads the first bytes and goes: the program never dies of the
// closed pipe, and the delivery happens whenever the reader left.
TEST(Console, ReaderThatLeavesEarly) {
    RemoveDeliveries();
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    const Outcome R =
        Spawn({"/bin/bash", "-c", "\"$0\" \"$@\" | head -c 100 >/dev/null; exit \"${PIPESTATUS[0]}\"",
               ADOX_PROGRAM, Dir, "anarpe", "1", "--unattended"});
    EXPECT_TRUE(R.Status == 0 || R.Status == 3) << R.Status << R.Err;
    EXPECT_TRUE(fs::is_regular_file(Delivered("anarpe") / "Anarpe.zip"));
}

// Values from a packet reach the console escaped, as the tools print them: a
// terminal sequence is not sent, a NUL does not cut the line; the record
// files keep the bytes.
TEST(Console, PacketValuesAreEscapedOnTheConsole) {
    const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
    std::string Classes = testsupport::ReadFileBytes(Dir + "Body622.xml");
    const std::string Row = "Sezione=\"B\" TipoScuola=\"NT\"";
    const std::size_t At = Classes.find(Row);
    ASSERT_NE(At, std::string::npos);
    Classes.replace(At, Row.size(), "Sezione=\"&#27;]2;X&#7;\" TipoScuola=\"NT\"");
    testsupport::WriteFileBytes(Dir + "Body622.xml", Classes);
    const Outcome R = Spawn(Export(Dir, "aie"));
    EXPECT_EQ(R.Status, 0) << R.Err;
    EXPECT_EQ(R.Out.find('\x1B'), std::string::npos);
    EXPECT_EQ(R.Out.find('\x07'), std::string::npos);
    EXPECT_NE(R.Out.find("della classe: 1\\x1B]2;X\\x07\n"), std::string::npos) << R.Out;
    // The section's field takes four bytes.
    EXPECT_NE(testsupport::ReadFileBytes(Dir + "File622.txt").find("\x1B]2;"), std::string::npos);
}

} // namespace
