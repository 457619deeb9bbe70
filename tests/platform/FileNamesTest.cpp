// File names with accented letters (UTF-8) through the layer's file calls, and
// the process environment: the same on every platform, although Windows
// needs wide-character calls for them.

#include "platform/Platform.h"
#include "tests/common/TestSupport.h"

#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace platform;

namespace {

// "Società/Niccolò è.txt" with the letters in UTF-8.
const std::string kFolder = "Societ\xC3\xA0";
const std::string kFile = "Nicol\xC3\xB2 \xC3\xA8.txt";

class FileNames : public ::testing::Test {
protected:
    std::string Dir;
    void SetUp() override {
        Dir = testsupport::SandboxDir() + "/" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/" + kFolder + "/";
        ASSERT_TRUE(ForceDirectories(Dir));
    }
    void TearDown() override {
        std::error_code Ec;
        std::filesystem::remove_all(FsPath(Dir), Ec);
    }
    // Writes through the C library, as the program's writers do.
    void Write(const std::string& Path, std::string_view Bytes) {
        std::FILE* F = OpenFile(Path, "wb");
        ASSERT_NE(F, nullptr) << Path;
        ASSERT_EQ(std::fwrite(Bytes.data(), 1, Bytes.size(), F), Bytes.size());
        ASSERT_EQ(std::fclose(F), 0);
    }
};

TEST_F(FileNames, AccentedNamesAreFoundByEveryCall) {
    const std::string Path = Dir + kFile;
    Write(Path, "abc\r\n");
    EXPECT_TRUE(DirectoryExists(Dir));
    EXPECT_TRUE(FileExists(Path));
    EXPECT_EQ(FileSize(Path), 5u);
    EXPECT_TRUE(FileLastWriteDate(Path).has_value());
    const std::optional<FileStatus> St = StatFile(Path);
    ASSERT_TRUE(St.has_value());
    EXPECT_TRUE(St->Regular);
    EXPECT_EQ(St->Size, 5u);
    EXPECT_GT(St->LastWrite, 1600000000); // after September 2020
    std::error_code Ec;
    EXPECT_TRUE(std::filesystem::is_regular_file(FsPath(Path), Ec));
    // The library's own listing gives the same name back.
    std::string Listed;
    for (const auto& E : std::filesystem::directory_iterator(FsPath(Dir)))
        Listed = reinterpret_cast<const char*>(E.path().filename().u8string().c_str());
    EXPECT_EQ(Listed, kFile);

    const std::string Copy = Dir + "copia " + kFile;
    EXPECT_TRUE(CopyFileNoOverwrite(Path, Copy));
    EXPECT_FALSE(CopyFileNoOverwrite(Path, Copy)) << "a copy never overwrites";
    EXPECT_EQ(testsupport::ReadFileBytes(Copy), "abc\r\n");
    const std::string Moved = Dir + "spostato " + kFile;
    EXPECT_TRUE(RenameFile(Copy, Moved));
    EXPECT_FALSE(FileExists(Copy));
    EXPECT_TRUE(DeleteFile(Moved));
    EXPECT_FALSE(FileExists(Moved));
}

TEST_F(FileNames, StatTellsFoldersAndMissingFiles) {
    const std::optional<FileStatus> Folder = StatFile(Dir);
    ASSERT_TRUE(Folder.has_value());
    EXPECT_FALSE(Folder->Regular);
    errno = 0;
    EXPECT_FALSE(StatFile(Dir + kFile).has_value());
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileNames, ExclusiveCreateRefusesAnExistingFile) {
    const std::string Path = Dir + kFile;
    std::FILE* First = OpenFile(Path, "wbx");
    ASSERT_NE(First, nullptr);
    ASSERT_GE(std::fputs("1\n", First), 0);
    ASSERT_EQ(std::fclose(First), 0);
    EXPECT_EQ(OpenFile(Path, "wbx"), nullptr);
    EXPECT_EQ(errno, EEXIST);
    // Binary: the line end stays one byte.
    EXPECT_EQ(testsupport::ReadFileBytes(Path), "1\n");
    std::FILE* Read = OpenFile(Path, "rb");
    ASSERT_NE(Read, nullptr);
    std::fclose(Read);
}

TEST(Environment, SetValuesAreSeenByGetenv) {
    ASSERT_TRUE(SetEnvironment("ADOX_TEST_VARIABLE", "offscreen"));
    ASSERT_NE(std::getenv("ADOX_TEST_VARIABLE"), nullptr);
    EXPECT_STREQ(std::getenv("ADOX_TEST_VARIABLE"), "offscreen");
    ASSERT_TRUE(SetEnvironment("ADOX_TEST_VARIABLE", "seconda volta"));
    EXPECT_STREQ(std::getenv("ADOX_TEST_VARIABLE"), "seconda volta");
}

} // namespace
