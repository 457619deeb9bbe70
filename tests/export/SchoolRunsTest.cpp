// One school record per run of equal school codes, and the header's school
// count, which differs from the records for an empty first code and an empty
// registry.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/records/SchoolRuns.h"

using namespace txad;

TEST(SchoolRuns, RecordsAndHeaderCount) {
    struct Row {
        const char* name;
        std::vector<std::string> codes;
        std::vector<std::size_t> recordRows; // the rows that start a school record
        long long headerCount;
    } rows[] = {
        {"no rows: no record, the header counts one school", {}, {}, 1},
        {"one school", {"A"}, {0}, 1},
        {"sites of one school give one record", {"A", "A", "B"}, {0, 2}, 2},
        {"a code seen again after another starts a new run", {"A", "B", "A"}, {0, 1, 2}, 3},
        {"an empty first code starts no record but counts as a school", {"", "B"}, {1}, 2},
        {"empty first codes together count one school", {"", "", "B"}, {2}, 2},
        {"an empty code after a code starts a record", {"A", ""}, {0, 1}, 2},
        {"codes compare byte for byte", {"A", "a", "a ", "a "}, {0, 1, 2}, 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<std::size_t> Records;
        SchoolRunCounter Counter;
        std::string_view Previous = CodeBeforeFirstRow;
        for (std::size_t I = 0; I < r.codes.size(); ++I) {
            if (StartsSchoolRecord(r.codes[I], Previous)) Records.push_back(I);
            Counter.Add(r.codes[I], Previous);
            Previous = r.codes[I];
        }
        EXPECT_EQ(Records, r.recordRows);
        EXPECT_EQ(Counter.Count(), r.headerCount);
    }
}
