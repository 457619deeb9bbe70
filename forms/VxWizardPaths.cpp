#include "forms/VxWizardPaths.h"

#include "support/VxExceptions.h"

void TVxWizardPaths::AddPath(std::string_view Name, std::string_view Steps) {
    FList[UpperCaseAscii(AllTrim(Name))] = AllTrim(Steps);
}

std::string TVxWizardPaths::GetPath(std::string_view Name) const {
    const auto It = FList.find(UpperCaseAscii(Name));
    return It == FList.end() ? std::string() : It->second;
}

void TVxWizardPaths::SplitPath(std::string_view Steps, TStringList& List) const {
    List.clear();
    SplitToList(Steps, FSeparator, List);
}

bool TVxWizardPaths::SetPath(const std::string& Name) {
    if (UpperCaseAscii(Name) == FPathName) return false;
    const std::string Steps = GetPath(Name);
    if (Steps.empty())
        throw EVxInternalError(FormatMsg("Wizard: Il percorso specificato (%s) non esiste", Name));
    SplitPath(Steps, FSteps);
    FStep = 0;
    FPathName = UpperCaseAscii(Name);
    return true;
}

int TVxWizardPaths::StepPage(int Position) const {
    const std::string& Text = FSteps.at(static_cast<size_t>(Position));
    int Value = 0;
    if (!TryStrToInt(Text, Value)) throw EVxInternalError("'" + Text + "' is not a valid integer value");
    return Value;
}

std::optional<WizardMove> TVxWizardPaths::Move(int Delta, int ActivePage) const {
    if (!HasPath()) {
        if (Delta == 0) return std::nullopt;
        return WizardMove{ActivePage + Delta, -1};
    }
    const int Target = FStep + Delta;
    // Beyond either end of the path there is nowhere to go.
    if (Target < 0 || Target >= StepCount()) return std::nullopt;
    return WizardMove{StepPage(Target), Target};
}

int TVxWizardPaths::NextPage(int ActivePage, int PageCount) const {
    if (!HasPath()) return ActivePage + 1 < PageCount ? ActivePage + 1 : -1;
    return FStep + 1 < StepCount() ? StepPage(FStep + 1) : -1;
}

void TVxWizardPaths::Arrived(const WizardMove& Move) {
    if (Move.Step >= 0) FStep = Move.Step;
}

WizardButtons TVxWizardPaths::Buttons(int ActivePage, int PageCount) const {
    if (PageCount == 0) return {};
    const int Position = HasPath() ? FStep : ActivePage;
    const int Last = (HasPath() ? StepCount() : PageCount) - 1;
    return {Position == Last, Position<Last, Position> 0};
}
