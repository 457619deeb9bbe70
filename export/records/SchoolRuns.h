#pragma once
// One school record per run of equal consecutive school codes: the rule the
// school writer, the registry page's greyed rows and the header's school
// count share.

#include <string_view>

namespace txad {

// The code the first registry row is compared with. A first row without a
// school code therefore starts no school record.
inline constexpr std::string_view CodeBeforeFirstRow{};

// Whether the registry row with school code Code starts a school record (the
// run's first row carries the school), Previous being the code of the row
// before it, or CodeBeforeFirstRow. Codes compare byte for byte.
inline bool StartsSchoolRecord(std::string_view Code, std::string_view Previous) {
    return Code != Previous;
}

// Counts the runs of equal school codes for the headers, one code at a time.
// It differs from the school records on purpose in two cases: the first row
// always begins a school, with or without a code, and a registry without
// rows counts one school.
class SchoolRunCounter {
public:
    void Add(std::string_view Code, std::string_view Previous) {
        if (FFirst || StartsSchoolRecord(Code, Previous)) ++FRuns;
        FFirst = false;
    }
    long long Count() const { return FFirst ? 1 : FRuns; }

private:
    bool FFirst = true;
    long long FRuns = 0;
};

} // namespace txad
