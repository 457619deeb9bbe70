#pragma once
// TVxWizardPaths: the named page paths of a wizard, each an ordered list of
// page indexes as text ("1;2;3"), looked up by name without regard to case,
// and the wizard's position on them: the current path and step, the page a
// Next or Back move leads to and which buttons the position enables. The
// wizard widget only applies what it says.

#include "support/VxStrUtils.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

// Fine (Ok), Next and Back enabled.
struct WizardButtons {
    bool Ok = false;
    bool Next = false;
    bool Prior = false;
    bool operator==(const WizardButtons&) const = default;
};

// A move to Page; Step is the path step it reaches, -1 without a path.
struct WizardMove {
    int Page = -1;
    int Step = -1;
    bool operator==(const WizardMove&) const = default;
};

class TVxWizardPaths {
public:
    // Registers Name (trimmed, upper-cased) with Steps (trimmed); a second
    // registration under the same name replaces the first.
    void AddPath(std::string_view Name, std::string_view Steps);
    // The steps text registered under Name (upper-cased); empty when none.
    std::string GetPath(std::string_view Name) const;
    // Fills List (cleared first) with the pieces of Steps between separators.
    void SplitPath(std::string_view Steps, TStringList& List) const;
    const std::string& Separator() const { return FSeparator; }

    // Makes the path registered as Name current at its first step; false when
    // it already is (any case). An unknown name, or one registered with no
    // steps, raises EVxInternalError and leaves the current path as it is.
    bool SetPath(const std::string& Name);
    bool HasPath() const { return !FPathName.empty(); }
    // The current path's name, upper-cased; empty without a path.
    const std::string& PathName() const { return FPathName; }
    int Step() const { return FStep; }
    int StepCount() const { return static_cast<int>(FSteps.size()); }
    // The page of step Position of the current path; a step that is not an
    // integer raises EVxInternalError.
    int StepPage(int Position) const;

    // Where Delta steps (+1 Next, -1 Back, 0 the current step) lead from
    // ActivePage: along the path when one is current (nothing beyond either
    // end), otherwise to the page Delta indexes further (nothing for 0).
    // A step that is not an integer raises EVxInternalError.
    std::optional<WizardMove> Move(int Delta, int ActivePage) const;
    // The page Next would show; -1 when there is none.
    int NextPage(int ActivePage, int PageCount) const;
    // The move's page has become active: its step (if it has one) is the
    // current step from now on, even when the page's show handler then fails.
    // A move whose page never became active leaves the step.
    void Arrived(const WizardMove& Move);

    // The buttons of a wizard of PageCount pages showing ActivePage: Fine on
    // the last step (or page), Back after the first, Next before the last.
    WizardButtons Buttons(int ActivePage, int PageCount) const;

private:
    std::string FSeparator = ";";
    std::map<std::string, std::string> FList;
    TStringList FSteps;
    std::string FPathName;
    int FStep = 0;
};
