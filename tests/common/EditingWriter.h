#pragma once
// A body writer that breaks one line of the real writer's output: the fault
// a checked set must not let through (a dropped byte, a shifted field).

#include <memory>
#include <string>
#include <string_view>

#include "export/BodyWriters.h"
#include "export/ExportRecordSet.h"

namespace testsupport {

// Where one line is broken: the line-th body line (1-based) of file index
// file loses erase bytes at column, and insert goes there.
struct LineEdit {
    int file = -1; // -1: no file
    int line = 0;
    std::size_t column = 0, erase = 0;
    std::string insert;
};

// Passes every line on but the one the edit names.
class EditingSink : public ByteSink {
public:
    EditingSink(ByteSink& Inner, const LineEdit& Edit) : FInner(Inner), FEdit(Edit) {}
    void Write(std::string_view Bytes) override {
        if (++FWrites != FEdit.line) return FInner.Write(Bytes);
        std::string Edited(Bytes);
        Edited.replace(FEdit.column - 1, FEdit.erase, FEdit.insert);
        FInner.Write(Edited);
    }

private:
    ByteSink& FInner;
    const LineEdit& FEdit;
    int FWrites = 0;
};

// The real writer, its lines going through an EditingSink.
class EditingWriter : public txad::BodyWriter {
public:
    EditingWriter(std::unique_ptr<txad::BodyWriter> Inner, LineEdit Edit)
        : FInner(std::move(Inner)), FEdit(std::move(Edit)) {}
    void Write(TClientDataSet& Data, ByteSink& Sink) override {
        EditingSink Editing(Sink, FEdit);
        FInner->Write(Data, Editing);
    }
    std::string_view RecordCode() const override { return FInner->RecordCode(); }

private:
    std::unique_ptr<txad::BodyWriter> FInner;
    LineEdit FEdit;
};

// The record set of Ed for Target whose body writer of file Edit.file is an
// EditingWriter.
inline txad::ExportRecordSet FaultyRecordSet(std::string Target, LineEdit Edit,
                                             txad::Edition Ed = txad::Edition::Current) {
    const std::span<const txad::FileLayout> Files = txad::FileLayouts(Ed, Target);
    return txad::ExportRecordSet(std::move(Target), Ed, [Files, Edit](const txad::FileLayout& File) {
        std::unique_ptr<txad::BodyWriter> Writer = txad::MakeBodyWriter(File);
        if (Edit.file < 0 || &File != &Files[static_cast<std::size_t>(Edit.file)]) return Writer;
        return std::unique_ptr<txad::BodyWriter>(std::make_unique<EditingWriter>(std::move(Writer), Edit));
    });
}

} // namespace testsupport
