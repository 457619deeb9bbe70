#include "app/Unattended.h"

#include "app/ProgramMain.h"
#include "export/wizard/AnomalyPage.h"
#include "export/wizard/ExportPage.h"
#include "export/wizard/RegistryPage.h"
#include "export/wizard/SitePage.h"
#include "export/wizard/txadFMain.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"

#include <QApplication>
#include <QEvent>
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

// No one sees the windows of an unattended run: each is shown (its show
// handlers run as with a display) with its updates off, so nothing paints.
class NothingPainted : public QObject {
public:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::Show && Watched->isWidgetType()) {
            auto* Widget = static_cast<QWidget*>(Watched);
            if (Widget->isWindow()) Widget->setUpdatesEnabled(false);
        }
        return false;
    }
};

int WalkWizard(TfmTxadMain& Form, const CommandLine& Command, StreamPresenter& Presenter,
               ReportOutput& Report) {
    // The window exists on the offscreen platform, so the first show and the
    // zip component's progress window behave as with a display.
    Form.show();
    QApplication::processEvents();
    if (Presenter.ErrorBoxes() > 0 || !Form.StartupComplete()) return 2;

    // A report line is one line whatever its values hold.
    if (const auto* Anomalies = Form.FindPage<txad::AnomalyPage>())
        Report.PutLines(Anomalies->ReportLines(), ConsoleBreaks::None);
    Report.Put("----\n");
    Report.Flush();

    auto* Export = Form.FindPage<txad::ExportPage>();
    // Nobody can press Annulla: a busy folder is waited for as long as the run allows.
    if (Export) Export->AsksWhileWaiting = false;
    // Each step moves one page forward; a wizard has at most one step per page.
    for (int Guard = 0; Guard <= Form.PageCount() && Form.ActivePage() != Export; ++Guard) {
        txad::WizardPage* Page = Form.ActivePage();
        // --sites belongs to path "2"; on other paths it is ignored.
        auto* Sites = dynamic_cast<txad::SitePage*>(Page);
        if (Sites && Command.HasSites && Command.Wizard.Path == txad::WizardPath::WithSites) {
            for (int Position : Command.Sites) {
                if (Position > Sites->clSedi->count()) {
                    std::fprintf(stderr, "--sites: position %d is beyond the %d sites of the list\n",
                                 Position, Sites->clSedi->count());
                    return 2;
                }
                Sites->clSedi->item(Position - 1)->setCheckState(Qt::Checked);
            }
        }
        if (auto* Registry = dynamic_cast<txad::RegistryPage*>(Page))
            Registry->SetProtocolNumber(Command.Protocol);
        if (!Form.buNext->isEnabled()) return 1;
        const int ErrorsBefore = Presenter.ErrorBoxes();
        try {
            Form.NavigatorClick(Form.buNext);
        } catch (const std::exception& E) {
            ShowApplicationError(E);
        }
        QApplication::processEvents();
        if (Presenter.ErrorBoxes() > ErrorsBefore) {
            if (Export) Report.PutLines(Export->LogTexts(), ConsoleBreaks::CrLf);
            return 2;
        }
        if (Form.ActivePage() == Page) return 1; // the page refused to go on
    }
    if (Export) Report.PutLines(Export->LogTexts(), ConsoleBreaks::CrLf);
    if (!Form.RunFinished()) return 1;
    return Form.RunStopped() ? 1 : 0;
}

} // namespace

void SilenceQtNotes() {
    QtMessageHandler Previous = qInstallMessageHandler(QtNotesSilenced);
    if (Previous != QtNotesSilenced) g_QtHandler = Previous;
}

int RunUnattended(TfmTxadMain& Form, const CommandLine& Command, StreamPresenter& Presenter, std::FILE* Out) {
    platform::IgnoreBrokenPipe();
    NothingPainted Filter;
    qApp->installEventFilter(&Filter);
    ReportOutput Report(Out);
    return Report.Finish(WalkWizard(Form, Command, Presenter, Report));
}
