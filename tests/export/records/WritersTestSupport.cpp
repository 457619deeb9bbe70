#include "tests/export/records/WritersTestSupport.h"

#include <atomic>
#include <filesystem>
#include <stdexcept>

#include "tests/common/TestSupport.h"

namespace fs = std::filesystem;

namespace writerstest {

TempFolder::TempFolder() {
    static std::atomic<int> Counter{0};
    fs::path Base = fs::path(testsupport::SandboxDir()) / "writers";
    fs::path Dir;
    do {
        Dir = Base / ("t" + std::to_string(Counter++));
    } while (fs::exists(Dir));
    fs::create_directories(Dir);
    FPath = Dir.string() + "/";
}

TempFolder::~TempFolder() {
    std::error_code Ec;
    // Restores permissions a test may have taken away, so the folder can go.
    for (auto It = fs::recursive_directory_iterator(FPath, Ec);
         !Ec && It != fs::recursive_directory_iterator(); It.increment(Ec))
        fs::permissions(It->path(), fs::perms::owner_all, fs::perm_options::add, Ec);
    fs::remove_all(FPath, Ec);
}

std::string FixtureDir(std::string_view Case) {
    return std::string(ADOX_EXPORT_FIXTURES_DIR) + "/" + std::string(Case) + "/";
}

std::string GoldenDir(std::string_view Case, std::string_view Target) {
    return std::string(ADOX_GOLDEN_DIR) + "/export/" + std::string(Case) + "/" + std::string(Target) + "/";
}

void CopyFixture(std::string_view Case, const std::string& Folder) {
    for (const fs::directory_entry& Entry : fs::directory_iterator(FixtureDir(Case)))
        if (Entry.is_regular_file()) fs::copy_file(Entry.path(), fs::path(Folder) / Entry.path().filename());
}

std::map<std::string, std::string> FolderContents(const std::string& Folder) {
    std::map<std::string, std::string> Contents;
    for (const fs::directory_entry& Entry : fs::directory_iterator(Folder))
        if (Entry.is_regular_file())
            Contents[Entry.path().filename().string()] = testsupport::ReadFileBytes(Entry.path().string());
    return Contents;
}

void FailingSink::Write(std::string_view Bytes) {
    if (FData.size() + Bytes.size() > FLimit) throw std::runtime_error("sink full");
    FData.append(Bytes);
}

} // namespace writerstest
