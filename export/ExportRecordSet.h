#pragma once
// The record set of one edition for one recipient: its rows of the file-set
// table (see RecordLayout.h), from which its lists, layouts, writers and
// trailer counts follow.

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "export/BodyWriters.h"
#include "export/RecordLayout.h"
#include "support/VxStrUtils.h"

namespace txad {

// Makes the body writer of a file; MakeBodyWriter unless a test breaks one.
using BodyWriterMaker = std::function<std::unique_ptr<BodyWriter>(const FileLayout&)>;

class ExportRecordSet {
public:
    explicit ExportRecordSet(std::string Target, Edition Ed = Edition::Current,
                             BodyWriterMaker Maker = txad::MakeBodyWriter)
        : FTarget(std::move(Target)), FEdition(Ed), FFiles(txad::FileLayouts(Ed, FTarget)),
          FMaker(std::move(Maker)) {}

    const std::string& Target() const { return FTarget; }
    bool IsAie() const { return FTarget == "aie"; }
    bool IsAnarpe() const { return FTarget == "anarpe"; }
    Edition LayoutEdition() const { return FEdition; }

    // The files by file index; empty for an unknown target.
    std::span<const FileLayout> FileLayouts() const { return FFiles; }
    // FBodyFiles: the packets the files read, in file order.
    TStringList BodyFiles() const;
    // FOutFiles: the output files by file index.
    TStringList OutFiles() const;
    // Whether the school file takes one record per run of rows with the same
    // code rather than one per row.
    bool OneSchoolRecordPerCode() const;

    std::unique_ptr<BodyWriter> MakeBodyWriter(const FileLayout& File) const { return FMaker(File); }

private:
    std::string FTarget;
    Edition FEdition;
    std::span<const FileLayout> FFiles;
    BodyWriterMaker FMaker;
};

} // namespace txad
