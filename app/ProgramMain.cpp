#include "app/ProgramMain.h"

#include "app/InstalledFiles.h"
#include "app/StartDialog.h"
#include "app/Unattended.h"
#include "export/wizard/StartupValues.h"
#include "export/wizard/txadFMain.h"
#include "export/wizard/txadMMain.h"
#include "forms/Accessibility.h"
#include "forms/QMessageBoxPresenter.h"
#include "forms/QtText.h"
#include "forms/VxApplication.h"
#include "platform/Platform.h"
#include "support/VxGlobals.h"
#include "support/VxMsgDlg.h"

#include <QApplication>
#include <QPointer>
#include <QSettings>
#include <QStringDecoder>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// The protocol number typed on the command line: the locale's text (UTF-8),
// converted to the program's code page as the registry page's edit converts
// what is typed there. A character the code page lacks would come out as "?",
// and a control character (TAB, ESC) would go into the record as it is: both
// are refused, naming the character; Error then holds the reason.
std::string ProtocolArgument(const std::string& Value, std::string& Error) {
    QStringDecoder Decoder(QStringConverter::System, QStringConverter::Flag::Stateless);
    const QString Text = Decoder.decode(QByteArrayView(Value.data(), static_cast<qsizetype>(Value.size())));
    if (Decoder.hasError()) {
        Error = "--protocol: testo non valido nella codifica del sistema (UTF-8)";
        return {};
    }
    for (const char32_t Char : Text.toUcs4()) {
        const bool Control = Char < 0x20 || (Char >= 0x7F && Char < 0xA0);
        if (!Control && platform::UnicodeToCp1252(Char) >= 0) continue;
        char Code[16];
        std::snprintf(Code, sizeof Code, "U+%04X", static_cast<unsigned>(Char));
        // The character itself goes into the message only where it cannot act on a terminal.
        const std::string Named =
            Control || !QChar::isPrint(Char)
                ? std::string(Code)
                : "\"" + QString::fromUcs4(&Char, 1).toStdString() + "\" (" + Code + ")";
        Error = Control ? "--protocol: carattere di controllo " + Named + " non ammesso"
                        : "--protocol: il carattere " + Named +
                              " non esiste nella codifica Windows-1252 dei file esportati";
        return {};
    }
    return FromQString(Text);
}

// The packets the run reads, parsed from the program's first moments on
// while the framework starts; the window's own prefetch then finds them
// named. Nothing when the arguments are wrong: the start-up tells why.
std::unique_ptr<dataset::PacketCache> EarlyPackets(const ProgramTraits& Traits,
                                                   const txad::WizardArguments& Args) {
    try {
        txad::CheckStartupArguments(Args);
        if (!Traits.Plan.MakeRecordSet) return nullptr;
        const auto Set = Traits.Plan.MakeRecordSet(std::string(txad::RecipientName(Args.Target)));
        if (!Set) return nullptr;
        const std::string Dir = platform::IncludePathDelimiter(Args.DataDir);
        std::vector<std::string> Paths;
        for (const std::string& Name : Set->BodyFiles()) Paths.push_back(Dir + Name);
        auto Cache = std::make_unique<dataset::PacketCache>();
        Cache->Prefetch(Paths);
        return Cache;
    } catch (const std::exception&) {
        return nullptr;
    }
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& Args) {
    CommandLine Result;
    std::vector<std::string> Positional;
    for (std::size_t I = 0; I < Args.size(); ++I) {
        const std::string& A = Args[I];
        if (A == "-h" || A == "--help" || A == "-V" || A == "--version") {
            (A == "-h" || A == "--help" ? Result.Help : Result.Version) = true;
            break;
        }
        if (A == "--unattended") {
            Result.Unattended = true;
        } else if (A == "--protocol" || A == "--sites") {
            if (I + 1 >= Args.size()) {
                Result.Error = "missing value after " + A;
                return Result;
            }
            const std::string& Value = Args[++I];
            if (A == "--protocol") {
                Result.Protocol = ProtocolArgument(Value, Result.Error);
                if (!Result.Error.empty()) return Result;
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
            Positional.push_back(A);
        }
    }
    if (Positional.size() > 3 && !Result.Help && !Result.Version) Result.Error = "too many arguments";
    Result.NoArguments = Args.empty();
    Result.Wizard = txad::ParseWizardArguments(Positional);
    return Result;
}

std::string UsageText(const std::string& Program) {
    return "usage: " + Program + " DATA_DIR TARGET PATH [--unattended] [--protocol TEXT] [--sites LIST]\n";
}

std::string HelpText(const std::string& Program) {
    return UsageText(Program) +
           "Checks a school's textbook-adoption data packets in DATA_DIR, writes the record files there\n"
           "and delivers them to the recipient. Without arguments a start dialog asks for the data\n"
           "folder, the recipient and the path.\n"
           "\n"
           "  DATA_DIR         folder holding the data packets; the record files are written there\n"
           "  TARGET           aie (copies into ~/rozadiver/datrex/aie/) or anarpe (packs\n"
           "                   ~/rozadiver/datrex/anarpe/Anarpe.zip)\n"
           "  PATH             1: anomalies, registry, export; 2: site selection first\n"
           "  --unattended     no window: walks the wizard as Next would; the report and the log go\n"
           "                   to standard output, message boxes to standard error\n"
           "  --protocol TEXT  the protocol number of the registry page (adoxport-classic has none)\n"
           "  --sites LIST     comma-separated 1-based positions of the sites to tick on path 2\n"
           "  -h, --help       this text\n"
           "  -V, --version    the program's version\n"
           "\n"
           "Exit status: 0 export finished, 1 stopped or refused, 2 usage or start-up error,\n"
           "3 export finished but its report could not be written to standard output.\n"
           "The installation folder is the value MainDir in the registry file named by\n"
           "ADOXPORT_HKLM, else /etc/adoxport/hklm.reg, else ~/.config/adoxport/hklm.reg (the one\n"
           "the start dialog writes); see " +
           Program + "(1).\n";
}

int RunProgram(int Argc, char** Argv, const ProgramTraits& Traits) {
    std::vector<std::string> Args(Argv + 1, Argv + Argc);
    CommandLine Command = ParseCommandLine(Args);
    if (Command.Help || Command.Version) {
        const std::string Text = Command.Help ? HelpText(Traits.Title) : Traits.Title + " " ADOX_VERSION "\n";
        std::fputs(Text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    // A usage error is told before the application connects to a display,
    // which may not be there.
    if (!Command.Error.empty()) {
        std::fprintf(stderr, "%s: %s\n%s", Traits.Title.c_str(), Command.Error.c_str(),
                     UsageText(Traits.Title).c_str());
        return 2;
    }
    if (Command.Unattended) {
        platform::SetEnvironment("QT_QPA_PLATFORM", "offscreen");
        SilenceQtNotes();
    } else if (!platform::DisplayAvailable()) {
        std::fprintf(stderr,
                     "%s: a display is needed for the window; use --unattended to run without one\n%s",
                     Traits.Title.c_str(), UsageText(Traits.Title).c_str());
        return 2;
    }
    std::unique_ptr<dataset::PacketCache> Early;
    if (!Command.NoArguments) Early = EarlyPackets(Traits, Command.Wizard);
    TVxApplication App(Argc, Argv, Traits.Title);
    InstallAccessibility();
    SetMenuName(platform::Cp1252FromUtf8(Traits.MenuName));
    // Unattended, no window is seen: its icon would only cost loading.
    if (!Command.Unattended) SetProgramIcon();
    SetDesktopEntry(Traits.Title);
    LoadQtTranslations();
    // Numbers follow the framework's own settings, never the C library's locale.
    std::setlocale(LC_NUMERIC, "C");
    VxFrameworkStartup(Traits.FollowUserLocale);

    StreamPresenter Console(stderr);
    if (Command.Unattended)
        SetMessagePresenter(&Console);
    else
        InstallQtPresenter();

    SetProgramGuide(GuidePath());

    // Started without arguments, as from the desktop's menu, the start dialog
    // gives the three arguments, and a start-up that fails leads back to it.
    // The dialog keeps the user's choices across a way back; they are
    // remembered for the next start only once a start-up completes with them.
    QSettings Settings(QStringLiteral("adoxport"), QString::fromStdString(Traits.Title));
    std::unique_ptr<StartDialog> Start;
    if (Command.NoArguments) {
        Start = std::make_unique<StartDialog>(Settings, &Traits.Plan);
        Start->setWindowTitle(MenuName());
    }
    for (;;) {
        if (Start) {
            // Closing the dialog must not count as closing the program's last window.
            QApplication::setQuitOnLastWindowClosed(false);
            const int Answer = Start->exec();
            QApplication::setQuitOnLastWindowClosed(true);
            if (Answer != QDialog::Accepted) return 0;
            Command.Wizard = txad::ParseWizardArguments(Start->Arguments());
        }

        TdmTxadMain DataModule(std::move(Early));
        DataModule.zpOut.DllDirectory = PluginDirectory();
        DataModule.zpOut.ProgressTitle = platform::Cp1252FromUtf8(Traits.MenuName);
        QPointer<TfmTxadMain> Form = new TfmTxadMain(DataModule, Traits.Plan, Command.Wizard);
        bool BackToStart = false;
        if (Command.NoArguments && !Command.Unattended)
            Form->BackToStart = [&BackToStart] { BackToStart = true; };
        SetMainForm(Form);
        // With a window, the window opens at once and the packets are read behind it.
        Form->StartsBehindWindow = !Command.Unattended;
        Form->Create();
        if (Command.Unattended) {
            const int Status = RunUnattended(*Form, Command, Console, stdout);
            SetMessagePresenter(nullptr);
            delete Form.data();
            return Status;
        }
        // A start-up that left no export possible is not a success, however the
        // window is closed; nor is one the window was closed before it ended.
        bool Started = false;
        QObject::connect(Form, &TfmTxadMain::StartupFinished, Form, [&] {
            Started = Form->StartupComplete();
            if (Start && Started) Start->SaveChoices();
        });
        Form->show();
        const int Status = App.exec();
        // The form goes before the data module it works on.
        delete Form.data();
        SetMainForm(nullptr);
        if (!BackToStart) return Started ? Status : 2;
    }
}
