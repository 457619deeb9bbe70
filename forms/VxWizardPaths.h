#pragma once
// TVxWizardPaths: the named page paths of a wizard, each an ordered list of
// page indexes as text ("1;2;3"), looked up by name without regard to case.

#include "support/VxStrUtils.h"

#include <map>
#include <string>
#include <string_view>

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

private:
    std::string FSeparator = ";";
    std::map<std::string, std::string> FList;
};

// ASCII upper case, the framework's UpperCase.
std::string UpperCaseAscii(std::string_view S);
