#pragma once
// Helpers of the writer, output-file, delivery and export-run tests.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "export/run/ByteSink.h"

namespace writerstest {

// A fresh folder under the test sandbox, removed with its content at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Ends with the separator.
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

// tests/export/fixtures/<Case>/, ending with the separator.
std::string FixtureDir(std::string_view Case);
// tests/golden/export/<Case>/<Target>/, ending with the separator.
std::string GoldenDir(std::string_view Case, std::string_view Target);
// Copies every file of the fixture folder into Folder (ending with the separator).
void CopyFixture(std::string_view Case, const std::string& Folder);
// Every regular file of Folder by name, with its bytes.
std::map<std::string, std::string> FolderContents(const std::string& Folder);

// A sink that takes Limit bytes, then fails the write that would pass them.
class FailingSink : public ByteSink {
public:
    explicit FailingSink(std::size_t Limit) : FLimit(Limit) {}
    void Write(std::string_view Bytes) override;
    const std::string& Data() const { return FData; }

private:
    std::size_t FLimit;
    std::string FData;
};

} // namespace writerstest
