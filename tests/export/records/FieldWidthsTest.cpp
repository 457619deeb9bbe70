// The wizard's limits as the record layouts of each file set give them.

#include <gtest/gtest.h>

#include "export/records/FieldWidths.h"

using namespace txad;

namespace {

TEST(FieldWidths, NameAndProtocolFollowEachFileSet) {
    struct Row {
        const char* name;
        Edition edition;
        const char* target;
        int nameWidth;
        const char* protocolFile; // nullptr: no file carries it
    };
    const Row Rows[] = {
        {"current AIE", Edition::Current, "aie", 50, "File014.txt"},
        {"current ANARPE", Edition::Current, "anarpe", 50, nullptr},
        {"earlier AIE", Edition::Classic, "aie", 30, nullptr},
        {"earlier ANARPE", Edition::Classic, "anarpe", 30, nullptr},
        {"no set", Edition::Current, "other", 30, nullptr},
    };
    for (const Row& row : Rows) {
        SCOPED_TRACE(row.name);
        const auto Files = FileLayouts(row.edition, row.target);
        EXPECT_EQ(SchoolNameWidth(Files), row.nameWidth);
        const FileLayout* Carrier = ProtocolNumberFile(Files);
        EXPECT_EQ(Carrier ? std::string(Carrier->FileName) : std::string(),
                  row.protocolFile ? row.protocolFile : "");
        EXPECT_EQ(ProtocolNumberWidth(Files), 30);
    }
}

} // namespace
