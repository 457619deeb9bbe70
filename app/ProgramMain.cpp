#include "app/ProgramMain.h"

#include "app/Unattended.h"
#include "export/TxadMainForm.h"
#include "export/txadMMain.h"
#include "forms/QMessageBoxPresenter.h"
#include "forms/VxApplication.h"
#include "platform/Platform.h"
#include "support/VxGlobals.h"
#include "support/VxMsgDlg.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>

CommandLine ParseCommandLine(const std::vector<std::string>& Args) {
    CommandLine Result;
    for (std::size_t I = 0; I < Args.size(); ++I) {
        const std::string& A = Args[I];
        if (A == "--unattended") {
            Result.Unattended = true;
        } else if (A == "--protocol" || A == "--sites") {
            if (I + 1 >= Args.size()) {
                Result.Error = "missing value after " + A;
                return Result;
            }
            const std::string& Value = Args[++I];
            if (A == "--protocol") {
                Result.Protocol = Value;
                continue;
            }
            Result.HasSites = true;
            // An empty list ticks nothing, as a script finds nothing to tick.
            std::size_t Start = 0;
            while (!Value.empty() && Start <= Value.size()) {
                std::size_t End = Value.find(',', Start);
                if (End == std::string::npos) End = Value.size();
                int Position = 0;
                const char* First = Value.data() + Start;
                const char* Last = Value.data() + End;
                auto [Ptr, Ec] = std::from_chars(First, Last, Position);
                if (Ec != std::errc() || Ptr != Last || Position < 1) {
                    Result.Error = "invalid site position in --sites: " + Value;
                    return Result;
                }
                Result.Sites.push_back(Position);
                Start = End + 1;
            }
        } else if (A.size() > 2 && A.compare(0, 2, "--") == 0) {
            Result.Error = "unknown option " + A;
            return Result;
        } else {
            Result.Positional.push_back(A);
        }
    }
    if (Result.Positional.size() > 3) Result.Error = "too many arguments";
    Result.Positional.resize(3);
    return Result;
}

std::string UsageText(const std::string& Program) {
    return "usage: " + Program + " DATA_DIR TARGET PATH [--unattended] [--protocol TEXT] [--sites LIST]\n";
}

int RunProgram(int Argc, char** Argv, const ProgramTraits& Traits) {
    std::vector<std::string> Args(Argv + 1, Argv + Argc);
    const CommandLine Command = ParseCommandLine(Args);
    // A usage error is told before the application connects to a display,
    // which may not be there.
    if (!Command.Error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", Traits.Title.c_str(), Command.Error.c_str(),
                     UsageText(Traits.Title).c_str());
        return 2;
    }
    if (Command.Unattended) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        SilenceQtNotes();
    } else if (!platform::DisplayAvailable()) {
        std::fprintf(stderr,
                     "%s: a display is needed for the window; use --unattended to run without one\n%s",
                     Traits.Title.c_str(), UsageText(Traits.Title).c_str());
        return 2;
    }
    TVxApplication App(Argc, Argv, Traits.Title);
    // Numbers follow the framework's own settings, never the C library's locale.
    std::setlocale(LC_NUMERIC, "C");
    VxFrameworkStartup(Traits.FollowUserLocale);

    StreamPresenter Console(stderr);
    if (Command.Unattended)
        SetMessagePresenter(&Console);
    else
        InstallQtPresenter();

    TdmTxadMain DataModule;
    TfmTxadMainBase* Form = Traits.MakeForm(DataModule, Command.Positional);
    SetMainForm(Form);
    Form->Create();
    if (Command.Unattended) {
        const int Status = RunUnattended(*Form, Command, Console, stdout);
        SetMessagePresenter(nullptr);
        delete Form;
        return Status;
    }
    Form->show();
    // A start-up that left no export possible is not a success, however the
    // window is closed.
    const bool Started = Form->StartupComplete();
    const int Status = App.exec();
    return Started ? Status : 2;
}
