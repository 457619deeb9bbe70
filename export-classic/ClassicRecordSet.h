#pragma once
// The earlier edition's record set: packets "Body014.xml", "Body622.xml",
// "Body698.xml", "Body815.xml"; five AIE files (the last, "File815E.txt",
// holds only header and trailer) or four ANARPE files; its own school, class
// and adoption layouts and the class-statistics record. Everything else is the
// current edition's.

#include "export/BodyWriters.h"
#include "export/ExportRecordSet.h"
#include "export/RecordFrame.h"

namespace txad {

class ClassicRecordSet : public ExportRecordSet {
public:
    using ExportRecordSet::ExportRecordSet;

    TStringList BodyFiles() const override;
    TStringList OutFiles() const override;
    std::string RecordCode(int Index) const override;
    Edition LayoutEdition() const override { return Edition::Classic; }
    bool OneSchoolRecordPerCode() const override { return false; }
    // AIE loads indexes 1 to 3 (the fifth file has no packet); ANARPE 1 to 3.
    bool LoadsPacket(int Index, int FileCount) const override;
    std::unique_ptr<BodyWriter> MakeBodyWriter(int Index) const override;
    std::unique_ptr<RecordFrame> MakeRecordFrame(const HeaderValues& Values) const override;
    // The last AIE file counts 2; the statistics file the school count + 2;
    // the others their rows + 2.
    long long TrailerCount(int Index, int FileCount, TClientDataSet& Data,
                           long long SchoolCount) const override;
};

// "R001" headers: the first file carries "1.0.2" and the parameter file's
// date; the last file's school count is always 0.
class ClassicAieRecordFrame : public AieRecordFrame {
public:
    using AieRecordFrame::AieRecordFrame;

protected:
    std::span<const FileLayout> Layouts() const override { return FileLayouts(Edition::Classic, "aie"); }
};

// One school record (336 characters) for every row: codes are not collapsed.
class ClassicSchoolRecordWriter : public SchoolRecordWriter {
public:
    explicit ClassicSchoolRecordWriter(std::string RecordCode)
        : SchoolRecordWriter(RecordCode, BodyLayout(Edition::Classic, RecordCode)) {}

protected:
    bool StartsRecord(std::string_view, std::string_view) const override { return true; }
};

// One class record per row, closed by the scan mark; a pre-pass marks the
// rows of "PC" schools beyond the fifth year with "C" (in memory only).
class ClassicClassRecordWriter : public BodyWriter {
public:
    explicit ClassicClassRecordWriter(std::string RecordCode)
        : BodyWriter(RecordCode, BodyLayout(Edition::Classic, RecordCode)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;
};

// One class-statistics record (52 characters) per school group of
// "Body698.xml": classes and average pupils of the years 1 to 5. A value
// over three digits stops the writer instead of being cut.
class ClassStatRecordWriter : public BodyWriter {
public:
    explicit ClassStatRecordWriter(std::string RecordCode)
        : BodyWriter(RecordCode, BodyLayout(Edition::Classic, RecordCode)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;
};

// One adoption record per row: a single recommendation flag from
// Consigliato and the ownership flag; the ISBN closes the record unpadded.
class ClassicAdoptionRecordWriter : public BodyWriter {
public:
    explicit ClassicAdoptionRecordWriter(std::string RecordCode)
        : BodyWriter(RecordCode, BodyLayout(Edition::Classic, RecordCode)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override;
};

// Half up for the non-negative averages: 20.5 gives 21, 20.49 gives 20.
int RoundHalfUp(double Value);
// 1 gives 'C', 0 and any other value a blank.
char ConsigliatoChar(int Consigliato);
// 1 gives 'S', 0 gives 'N', any other value a blank.
char InPossessoChar(int InPossesso);

} // namespace txad
