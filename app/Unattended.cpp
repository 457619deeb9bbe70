#include "app/Unattended.h"

#include "app/ProgramMain.h"
#include "export/TxadMainForm.h"
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

int RunUnattended(TfmTxadMainBase& Form, const CommandLine& Command, StreamPresenter& Presenter,
                  std::FILE* Out) {
    // The window exists on the offscreen platform, so the first show and the
    // zip component's progress window behave as with a display.
    Form.show();
    QApplication::processEvents();
    if (Presenter.ErrorBoxes() > 0 || !Form.StartupComplete()) return 2;

    PrintLines(Out, Form.ReportLines());
    std::fprintf(Out, "----\n");
    std::fflush(Out);

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
            PrintLines(Out, Form.LogTexts());
            return 2;
        }
        if (Form.ActivePageIndex() == Page) return 1; // the page refused to go on
    }
    PrintLines(Out, Form.LogTexts());
    std::fflush(Out);
    if (!Form.RunFinished()) return 1;
    return Form.RunStopped() ? 1 : 0;
}
