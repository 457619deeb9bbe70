#include "app/Unattended.h"

#include "app/ProgramMain.h"
#include "export/TxadMainForm.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

QtMessageHandler g_QtHandler = nullptr;

void QtNotesSilenced(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
    if (Type == QtDebugMsg || Type == QtInfoMsg || Type == QtWarningMsg) return;
    if (g_QtHandler)
        g_QtHandler(Type, Context, Text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(Type, Context, Text)));
}

// Standard output as the run's report: every write is checked, and none
// stops the run, whose delivery never depends on it.
class ReportOutput {
public:
    explicit ReportOutput(std::FILE* Out) : FOut(Out) {}
    void PutLines(const std::vector<std::string>& Texts, ConsoleBreaks Breaks) {
        for (const auto& Text : Texts) Put(ConsoleLines(Text, Breaks) + "\n");
    }
    void Put(std::string_view Bytes) {
        if (std::fwrite(Bytes.data(), 1, Bytes.size(), FOut) != Bytes.size()) Lost();
    }
    void Flush() {
        if (std::fflush(FOut) != 0) Lost();
    }
    // The run's status, told on stderr when the report did not get out: 3 for
    // an export that finished all the same, an unsuccessful status unchanged.
    int Finish(int Status) {
        Flush();
        if (FError == 0) return Status;
        const std::string Text =
            std::string(Status == 0 ? "Esportazione terminata, ma il" : "Il") +
            " rapporto delle anomalie e il log non sono stati scritti sullo standard output: " +
            std::strerror(FError);
        std::fprintf(stderr, "%s: %s\n", ApplicationTitle().c_str(), ConsoleLines(Text).c_str());
        std::fflush(stderr);
        return Status == 0 ? 3 : Status;
    }

private:
    void Lost() {
        if (FError == 0) FError = errno != 0 ? errno : EIO;
    }
    std::FILE* FOut;
    int FError = 0;
};

int WalkWizard(TfmTxadMainBase& Form, const CommandLine& Command, StreamPresenter& Presenter,
               ReportOutput& Report) {
    // The window exists on the offscreen platform, so the first show and the
    // zip component's progress window behave as with a display.
    Form.show();
    QApplication::processEvents();
    if (Presenter.ErrorBoxes() > 0 || !Form.StartupComplete()) return 2;

    // A report line is one line whatever its values hold.
    Report.PutLines(Form.ReportLines(), ConsoleBreaks::None);
    Report.Put("----\n");
    Report.Flush();

    // Each step moves one page forward; a wizard has at most one step per page.
    for (int Guard = 0; Guard <= Form.PageCount() && Form.ActivePageIndex() != Form.ExportPageIndex();
         ++Guard) {
        const int Page = Form.ActivePageIndex();
        // --sites belongs to path "2"; on other paths it is ignored.
        if (Page == Form.SitePageIndex() && Command.HasSites && Command.Positional[2] == "2") {
            for (int Position : Command.Sites) {
                if (Position > Form.clSedi->count()) {
                    std::fprintf(stderr, "--sites: position %d is beyond the %d sites of the list\n",
                                 Position, Form.clSedi->count());
                    return 2;
                }
                Form.clSedi->item(Position - 1)->setCheckState(Qt::Checked);
            }
        }
        if (Page == Form.RegistryPageIndex()) Form.SetProtocolNumber(Command.Protocol);
        if (!Form.buNext->isEnabled()) return 1;
        const int ErrorsBefore = Presenter.ErrorBoxes();
        try {
            Form.NavigatorClick(Form.buNext);
        } catch (const std::exception& E) {
            ShowApplicationError(E);
        }
        QApplication::processEvents();
        if (Presenter.ErrorBoxes() > ErrorsBefore) {
            Report.PutLines(Form.LogTexts(), ConsoleBreaks::CrLf);
            return 2;
        }
        if (Form.ActivePageIndex() == Page) return 1; // the page refused to go on
    }
    Report.PutLines(Form.LogTexts(), ConsoleBreaks::CrLf);
    if (!Form.RunFinished()) return 1;
    return Form.RunStopped() ? 1 : 0;
}

} // namespace

void SilenceQtNotes() {
    QtMessageHandler Previous = qInstallMessageHandler(QtNotesSilenced);
    if (Previous != QtNotesSilenced) g_QtHandler = Previous;
}

int RunUnattended(TfmTxadMainBase& Form, const CommandLine& Command, StreamPresenter& Presenter,
                  std::FILE* Out) {
    platform::IgnoreBrokenPipe();
    ReportOutput Report(Out);
    return Report.Finish(WalkWizard(Form, Command, Presenter, Report));
}
