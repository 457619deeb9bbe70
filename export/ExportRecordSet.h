#pragma once
// The record set of one edition for one recipient: its lists, the record
// code and body writer of each file, the header/trailer builder and the
// trailer count rule. This class is the current edition; the earlier edition
// derives from it and overrides what differs.

#include <memory>
#include <string>

#include "dataset/ClientDataSet.h"
#include "export/BodyWriters.h"
#include "export/RecordFrame.h"
#include "export/RecordLayout.h"
#include "support/VxStrUtils.h"

namespace txad {

class ExportRecordSet {
public:
    explicit ExportRecordSet(std::string Target) : FTarget(std::move(Target)) {}
    virtual ~ExportRecordSet() = default;

    const std::string& Target() const { return FTarget; }
    bool IsAie() const { return FTarget == "aie"; }
    bool IsAnarpe() const { return FTarget == "anarpe"; }

    // FBodyFiles: the input packets by file index.
    virtual TStringList BodyFiles() const;
    // FOutFiles: the output files by file index; empty for an unknown target.
    virtual TStringList OutFiles() const;
    // The body records' code of file Index; empty when the file has no body.
    virtual std::string RecordCode(int Index) const;
    // The edition whose layout tables the files follow.
    virtual Edition LayoutEdition() const { return Edition::Current; }
    // The layouts of OutFiles(), by file index; empty for an unknown target.
    std::span<const FileLayout> FileLayouts() const { return txad::FileLayouts(LayoutEdition(), FTarget); }

    // The school file takes one record per run of rows with the same code
    // (the run's first row), or one per row.
    virtual bool OneSchoolRecordPerCode() const { return true; }
    // Whether file Index reloads the working dataset from its packet; the
    // first file is written from the registry dataset as edited.
    virtual bool LoadsPacket(int Index, int FileCount) const { return Index >= 1 && Index < FileCount; }
    // The body writer of file Index, or nullptr when the file has no body.
    virtual std::unique_ptr<BodyWriter> MakeBodyWriter(int Index) const;
    virtual std::unique_ptr<RecordFrame> MakeRecordFrame(const HeaderValues& Values) const;
    // The trailer's count: the dataset's rows plus header and trailer.
    virtual long long TrailerCount(int Index, int FileCount, TClientDataSet& Data,
                                   long long SchoolCount) const;

protected:
    std::string FTarget;
};

} // namespace txad
