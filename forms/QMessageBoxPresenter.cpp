#include "forms/QMessageBoxPresenter.h"

#include "forms/QtText.h"
#include "forms/VxApplication.h"
#include "forms/VxFVuota.h"

#include <QAbstractButton>
#include <QAction>
#include <QInputDialog>
#include <QPushButton>
#include <memory>

namespace {

QMessageBox::StandardButton StandardButtonOf(int32_t Id) {
    switch (Id) {
    case idOK: return QMessageBox::Ok;
    case idCancel: return QMessageBox::Cancel;
    case idAbort: return QMessageBox::Abort;
    case idRetry: return QMessageBox::Retry;
    case idIgnore: return QMessageBox::Ignore;
    case idYes: return QMessageBox::Yes;
    case idNo: return QMessageBox::No;
    default: return QMessageBox::NoButton;
    }
}

} // namespace

QMessageBox::Icon StyleIcon(uint32_t Style) {
    switch (Style & 0xF0u) {
    case MB_ICONSTOP_: return QMessageBox::Critical;
    case MB_ICONQUESTION_: return QMessageBox::Question;
    case MB_ICONEXCLAMATION_: return QMessageBox::Warning;
    case MB_ICONINFORMATION_: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox* BuildMessageBox(const MessageBoxRequest& Request) {
    auto* Box = new QMessageBox();
    // The application's error box goes by the program's menu name.
    Box->setWindowTitle(Request.Caption == ApplicationTitle() ? MenuName() : ToQString(Request.Caption));
    Box->setText(ToQString(Request.Text));
    Box->setTextFormat(Qt::PlainText);
    Box->setIcon(StyleIcon(Request.Style));
    // Task-modal: every window of the application is disabled while it shows.
    Box->setWindowModality(Qt::ApplicationModal);
    const std::vector<int32_t> Ids = StyleButtons(Request.Style);
    const int DefaultIndex = StyleDefaultIndex(Request.Style);
    for (size_t I = 0; I < Ids.size(); ++I) {
        QPushButton* Button = Box->addButton(StandardButtonOf(Ids[I]));
        Button->setProperty("adoxResult", Ids[I]);
        // Annulla has one shortcut in every window.
        if (Ids[I] == idCancel) Button->setText(QStringLiteral("Ann&ulla"));
        if (static_cast<int>(I) == DefaultIndex) Box->setDefaultButton(Button);
    }
    // Esc answers Cancel when the box has it, else the only button.
    if (Ids.size() == 1) Box->setEscapeButton(Box->buttons().value(0));
    // The program's guide stands in for the installation's help: a Help
    // button and F1 open it and leave the box open; neither is an answer.
    // They open the section of the window the message is about; the
    // application's error box and a message without one open the list of
    // messages and problems.
    if (!ProgramGuide().empty()) {
        std::string Topic = Request.Caption == ApplicationTitle() ? std::string() : CurrentHelpTopic();
        if (Topic.empty()) Topic = ProblemsHelpTopic;
        SetHelpTopic(Box, Topic.c_str());
        QPushButton* Help = Box->addButton(QStringLiteral("Guida"), QMessageBox::HelpRole);
        Help->setObjectName("buGuida");
        Help->setAutoDefault(false);
        auto* F1 = new QAction(Box);
        F1->setShortcut(QKeySequence(Qt::Key_F1));
        Box->addAction(F1);
        QObject::connect(F1, &QAction::triggered, [Topic] { OpenHelpTopic(Topic); });
    }
    return Box;
}

int32_t QMessageBoxPresenter::ShowBox(const MessageBoxRequest& Request) {
    std::unique_ptr<QMessageBox> Box(BuildMessageBox(Request));
    for (;;) {
        Box->exec();
        QAbstractButton* Clicked = Box->clickedButton();
        // Qt closes the box on any button; the Help button shows it again.
        if (Clicked && Box->buttonRole(Clicked) == QMessageBox::HelpRole) {
            OpenHelpTopic(HelpTopicAt(Box.get()));
            continue;
        }
        return Clicked ? Clicked->property("adoxResult").toInt() : idNone;
    }
}

std::optional<std::string> QMessageBoxPresenter::InputQuery(const std::string& Caption,
                                                            const std::string& Prompt) {
    bool Ok = false;
    const QString Text = QInputDialog::getText(nullptr, ToQString(Caption), ToQString(Prompt),
                                               QLineEdit::Normal, QString(), &Ok);
    if (!Ok) return std::nullopt;
    return FromQString(Text);
}

void InstallQtPresenter() {
    static QMessageBoxPresenter Presenter;
    SetMessagePresenter(&Presenter);
}
