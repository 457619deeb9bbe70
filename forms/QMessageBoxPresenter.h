#pragma once
// The presenter that shows the framework's message boxes with QMessageBox and
// asks for text with QInputDialog.

#include "support/VxMsgDlg.h"

#include <QMessageBox>

class QMessageBoxPresenter : public MessagePresenter {
public:
    int32_t ShowBox(const MessageBoxRequest& Request) override;
    std::optional<std::string> InputQuery(const std::string& Caption, const std::string& Prompt) override;
};

// The icon a style value asks for.
QMessageBox::Icon StyleIcon(uint32_t Style);
// Builds the box a request describes, not yet shown: task-modal, no owner,
// the buttons of the style in order, its default button set. Each button
// carries its result identifier in the property "adoxResult"; a "Guida"
// button without one opens the program's guide when it is set.
QMessageBox* BuildMessageBox(const MessageBoxRequest& Request);

// The guide's section of messages and problems.
inline constexpr const char* ProblemsHelpTopic = "problemi";

// Installs one QMessageBoxPresenter for the rest of the run.
void InstallQtPresenter();
