#include "forms/VxFVuota.h"

#include "forms/ScreenFit.h"
#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxParam.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

namespace {

const char* const HelpTopicProperty = "adoxHelpTopic";

std::string g_AppHelpFile;
std::string g_ProgramGuide;
TfmVxVuota* g_MainForm = nullptr;

// The reference screen the forms are designed on.
constexpr int DesignWidth = 640;
constexpr int DesignHeight = 480;

// A name holds a folder when its file-name part differs from the whole.
bool HasFolderPart(const std::string& Name) {
    return Name.find_first_of("/\\:") != std::string::npos;
}

} // namespace

TFormBounds AdjustToScreen(TFormBounds B, int ScreenWidth, int ScreenHeight) {
    if (ScreenWidth != DesignWidth) {
        B.Width = ScreenWidth * B.Width / DesignWidth;
        if (ScreenWidth - B.Width < B.Left) B.Left = std::max(0, ScreenWidth - B.Width);
    }
    if (ScreenHeight != DesignHeight) {
        B.Height = ScreenHeight * B.Height / DesignHeight;
        if (ScreenHeight - B.Height < B.Top) B.Top = std::max(0, ScreenHeight - B.Height);
    }
    return B;
}

const std::string& AppHelpFile() {
    return g_AppHelpFile;
}
void SetAppHelpFileName(const std::string& Path) {
    g_AppHelpFile = Path;
}
TfmVxVuota* MainForm() {
    return g_MainForm;
}
void SetMainForm(TfmVxVuota* Form) {
    g_MainForm = Form;
}
void SetProgramGuide(const std::string& Path) {
    g_ProgramGuide = Path;
}
const std::string& ProgramGuide() {
    return g_ProgramGuide;
}

bool OpenHelpContents() {
    return OpenHelpTopic({});
}

bool OpenHelpTopic(const std::string& Topic) {
    if (!g_AppHelpFile.empty() && platform::FileExists(g_AppHelpFile))
        return platform::OpenWithDesktop(g_AppHelpFile);
    if (g_ProgramGuide.empty() || !platform::FileExists(g_ProgramGuide)) return false;
    if (Topic.empty()) return platform::OpenWithDesktop(g_ProgramGuide);
    return platform::OpenWithDesktopAt(g_ProgramGuide, Topic);
}

void SetHelpTopic(QWidget* Widget, const char* Topic) {
    Widget->setProperty(HelpTopicProperty, QString::fromLatin1(Topic));
}

std::string HelpTopicAt(const QWidget* Widget) {
    for (; Widget; Widget = Widget->parentWidget()) {
        const QVariant Topic = Widget->property(HelpTopicProperty);
        if (Topic.isValid()) return Topic.toString().toStdString();
    }
    return {};
}

void AddHelpKey(QWidget* Window, const char* Topic) {
    SetHelpTopic(Window, Topic);
    auto* F1 = new QAction(Window);
    F1->setObjectName("acAid");
    F1->setShortcut(QKeySequence(Qt::Key_F1));
    F1->setShortcutContext(Qt::WindowShortcut);
    Window->addAction(F1);
    QObject::connect(F1, &QAction::triggered, Window, [Window] {
        const QWidget* Focus = Window->focusWidget();
        OpenHelpTopic(HelpTopicAt(Focus && Window->isAncestorOf(Focus) ? Focus : Window));
    });
}

std::string CurrentHelpTopic() {
    if (const auto* Form = qobject_cast<const TfmVxVuota*>(QApplication::activeWindow()))
        return Form->HelpTopic();
    return HelpTopicAt(QApplication::focusWidget() ? QApplication::focusWidget()
                                                   : QApplication::activeWindow());
}

TfmVxVuota::TfmVxVuota(QWidget* Parent) : QDialog(Parent) {
    setObjectName("fmVxVuota");
    resize(544, 374);
    QFont F = QApplication::font();
    F.setPointSize(8);
    setFont(F);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
}

void TfmVxVuota::Create() {
    if (FCreated) return;
    FCreated = true;
    FormCreate();
}

void TfmVxVuota::FormCreate() {
    FAdjusted = false;
}

void TfmVxVuota::FormShow() {
    if (Scaled() && !FAdjusted && Sizeable() &&
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) == 0) {
        const QScreen* S = screen() ? screen() : QGuiApplication::primaryScreen();
        if (S) {
            const QRect G = geometry();
            const TFormBounds B = AdjustToScreen({G.x(), G.y(), G.width(), G.height()}, S->geometry().width(),
                                                 S->geometry().height());
            setGeometry(B.Left, B.Top, B.Width, B.Height);
        }
    }
    FAdjusted = true;
    FitOnScreen(this);
}

void TfmVxVuota::FormClose(TCloseAction&) {}

void TfmVxVuota::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!Event->spontaneous()) FormShow();
}

void TfmVxVuota::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        if (FCancelButton && FCancelButton->isEnabled() && FCancelButton->isVisible()) FCancelButton->click();
        Event->accept();
        return;
    }
    QDialog::keyPressEvent(Event);
}

void TfmVxVuota::done(int Result) {
    if (!FClosing) {
        TCloseAction Action = TCloseAction::caHide;
        FormClose(Action);
        if (Action == TCloseAction::caNone) return;
        if (Action == TCloseAction::caFree) setAttribute(Qt::WA_DeleteOnClose);
        FClosing = true;
    }
    QDialog::done(Result);
    FClosing = false;
}

void TfmVxVuota::SetAppHelpFile() {
    const auto* Active = qobject_cast<TfmVxVuota*>(QApplication::activeWindow());
    std::string Name;
    if (Active && !Active->HelpFile().empty())
        Name = Active->HelpFile();
    else if (Active && Active->isModal() && g_MainForm)
        Name = g_MainForm->HelpFile();
    else
        Name = FHelpFile;
    if (HasFolderPart(Name))
        throw EVxInternalError("nella propiet\xE0 HelpFile non bisogna specificare il percorso!");
    if (Name.empty())
        g_AppHelpFile.clear();
    else
        g_AppHelpFile = VxParam().MainDir() + "HELP" + platform::PathDelimiter() + Name;
}

void TfmVxVuota::ShowHelp() {
    SetAppHelpFile();
    OpenHelpTopic(HelpTopic());
}

std::string TfmVxVuota::HelpTopic() const {
    const QWidget* Focus = focusWidget();
    return HelpTopicAt(Focus && isAncestorOf(Focus) ? Focus : this);
}
