// The unattended driver on the current edition's main form: its windows are
// shown, so the pages' show handlers and the zip component's progress window
// run as with a display, and yet no widget paints.

#include "app/Unattended.h"
#include "app/ProgramMain.h"
#include "export/wizard/CurrentEdition.h"
#include "export/wizard/txadFMain.h"
#include "export/wizard/txadMMain.h"
#include "tests/common/OwnedForm.h"
#include "tests/common/TestSupport.h"
#include "tests/export/wizard/WizardTestData.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>

namespace {

class Painting : public QObject {
public:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (!Watched->isWidgetType()) return false;
        const auto* Widget = static_cast<const QWidget*>(Watched);
        if (Event->type() == QEvent::Show && Widget->isWindow()) Windows.insert(Widget->objectName());
        if (Event->type() == QEvent::Paint) ++Paints;
        return false;
    }
    std::set<QString> Windows;
    int Paints = 0;
};

TEST(Unattended, ShowsTheWindowsAndPaintsNothing) {
    for (const char* Target : {"aie", "anarpe"}) {
        SCOPED_TRACE(Target);
        const std::string Dir = wizardtest::CopyDemoData(testsupport::SandboxDir());
        const CommandLine Command = ParseCommandLine({Dir, Target, "1", "--unattended"});
        TdmTxadMain Dm;
        Dm.zpOut.DllDirectory = ADOX_ZIPDLL_DIR;
        testsupport::Owned<TfmTxadMain> Form(new TfmTxadMain(Dm, txad::CurrentEditionPlan(), Command.Wizard));
        Form->Create();
        Painting Seen;
        qApp->installEventFilter(&Seen);
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> Out(std::tmpfile(), std::fclose);
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> Err(std::tmpfile(), std::fclose);
        StreamPresenter Console(Err.get());
        EXPECT_EQ(RunUnattended(*Form, Command, Console, Out.get()), 0);
        qApp->removeEventFilter(&Seen);
        EXPECT_TRUE(Seen.Windows.count(Form->objectName()));
        EXPECT_EQ(Seen.Paints, 0);
    }
}

} // namespace
