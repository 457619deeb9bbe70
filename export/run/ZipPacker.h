#pragma once
// What the export run needs from the zip component: the UI wraps TZip in it,
// tests pass a fake.

#include <string>
#include <vector>

namespace txad {

class ZipPacker {
public:
    virtual ~ZipPacker() = default;
    // Where the component keeps its copy of the archive while it adds.
    virtual void SetTempDir(const std::string& /*Dir*/) {}
    // Creates an empty archive at Name.
    virtual void SetZipFileName(const std::string& Name) = 0;
    virtual void SetFileSpecs(const std::vector<std::string>& FileEntries) = 0;
    // Packs the listed files; returns the number of files that went in.
    virtual int Add() = 0;
    // The user cancelled the last Add (the progress window's Annulla).
    virtual bool Cancelled() const { return false; }
};

} // namespace txad
