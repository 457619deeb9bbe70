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
#include <QListWidget>
#include <QPushButton>

namespace {

QtMessageHandler g_QtHandler = nullptr;

void QtNotesSilenced(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
    if (Type == QtDebugMsg || Type == QtInfoMsg || Type == QtWarningMsg) return;
    if (g_QtHandler)
        g_QtHandler(Type, Context, Text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(Type, Context, Text)));
}

void PrintLines(std::FILE* Out, const std::vector<std::string>& Texts) {
    for (const auto& Text : Texts) std::fprintf(Out, "%s\n", ConsoleLines(Text).c_str());
}

} // namespace

void SilenceQtNotes() {
    QtMessageHandler Previous = qInstallMessageHandler(QtNotesSilenced);
    if (Previous != QtNotesSilenced) g_QtHandler = Previous;
}

int RunUnattended(TfmTxadMain& Form, const CommandLine& Command, StreamPresenter& Presenter, std::FILE* Out) {
    // The window exists on the offscreen platform, so the first show and the
    // zip component's progress window behave as with a display.
    Form.show();
    QApplication::processEvents();
    if (Presenter.ErrorBoxes() > 0 || !Form.StartupComplete()) return 2;

    if (const auto* Anomalies = Form.FindPage<txad::AnomalyPage>()) PrintLines(Out, Anomalies->ReportLines());
    std::fprintf(Out, "----\n");
    std::fflush(Out);

    const auto* Export = Form.FindPage<txad::ExportPage>();
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
            if (Export) PrintLines(Out, Export->LogTexts());
            return 2;
        }
        if (Form.ActivePage() == Page) return 1; // the page refused to go on
    }
    if (Export) PrintLines(Out, Export->LogTexts());
    std::fflush(Out);
    if (!Form.RunFinished()) return 1;
    return Form.RunStopped() ? 1 : 0;
}
