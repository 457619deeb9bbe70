#pragma once
// A page of the export wizard: it owns its widgets (named as the system names
// them, so tests and the unattended driver find them) and its state, and
// answers what happens at start-up, when it is shown and whether it may be
// left. The coordinator calls these; a page never moves the wizard itself.

#include "export/wizard/WizardSession.h"

#include <QWidget>
#include <string>
#include <vector>

namespace txad {

class WizardPage : public QWidget {
public:
    WizardPage(const char* ObjectName, WizardSession& Session, QWidget* Parent);

    // The step in the window's title.
    virtual const char* StepName() const = 0;
    // The packets Prepare reads, so start-up can have them parsed ahead.
    virtual std::vector<std::string> StartupPackets() const { return {}; }
    // The page's start-up step, in plan order once the record set and the
    // folders are known; an error ends the start-up there.
    virtual void Prepare() {}
    // The page has become the active one.
    virtual void Shown() {}
    // Whether the user may go from this page to another; a page that refuses
    // has told the user why. An error propagates and the page stays.
    virtual bool MayLeave() { return true; }
    // Another page is about to be shown.
    virtual void Left() {}
    // The user has entered something on the page that closing the wizard
    // before the export would lose.
    virtual bool HasUserInput() const { return false; }

protected:
    WizardSession& FSession;
};

} // namespace txad
