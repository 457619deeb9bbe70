#pragma once
// A zip packer for the export tests: SetZipFileName writes a placeholder
// archive, Add records what the archive held while the new one was built,
// then writes the new archive and returns Answer (the number of entries when
// negative) or throws Error when set.

#include "export/run/ZipPacker.h"
#include "tests/common/TestSupport.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

class FakeZip : public txad::ZipPacker {
public:
    // Archive is the delivered archive whose earlier content Add looks at.
    explicit FakeZip(std::string Archive = "") : FArchive(std::move(Archive)) {}

    void SetZipFileName(const std::string& Name) override {
        Calls.push_back("SetZipFileName");
        FileName = Name;
        WriteFileBytes(Name, "empty archive");
    }
    void SetFileSpecs(const std::vector<std::string>& FileEntries) override {
        Calls.push_back("SetFileSpecs " + std::to_string(FileEntries.size()));
        FileSpecs = FileEntries;
    }
    int Add() override {
        Calls.push_back("Add");
        OldArchiveWhileBuilding =
            !FArchive.empty() && std::filesystem::is_regular_file(FArchive) ? ReadFileBytes(FArchive) : "";
        if (!Error.empty()) throw std::runtime_error(Error);
        WriteFileBytes(FileName, "new archive");
        return Answer < 0 ? static_cast<int>(FileSpecs.size()) : Answer;
    }
    bool Cancelled() const override { return CancelledByUser; }

    bool CancelledByUser = false; // what Cancelled answers
    std::vector<std::string> Calls;
    std::string FileName;
    std::vector<std::string> FileSpecs;
    std::string OldArchiveWhileBuilding;
    int Answer = -1;
    std::string Error; // raised by Add when set

private:
    std::string FArchive;
};

} // namespace testsupport
