#include "forms/VxWizardPaths.h"

std::string UpperCaseAscii(std::string_view S) {
    std::string R(S);
    for (char& C : R)
        if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
    return R;
}

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
