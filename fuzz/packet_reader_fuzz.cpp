// Feeds arbitrary bytes to the packet reader, whole and cut into small chunks:
// no crash, no hang, only PacketError for a broken packet, and both ways give
// the same table. Every field of every row is then read through a dataset.

#include "dataset/ClientDataSet.h"
#include "dataset/PacketTable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

std::shared_ptr<const dataset::Table> Parse(std::string_view Bytes, size_t Chunk, std::string& Error) {
    try {
        return dataset::ParsePacket(Bytes, "fuzz.xml", Chunk);
    } catch (const dataset::PacketError& e) {
        Error = e.Reason();
        return nullptr;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
    std::string wholeError, chunkError;
    const auto whole = Parse(bytes, Size + 1, wholeError);
    const auto chunked = Parse(bytes, 1 + Size % 7, chunkError);
    if ((whole == nullptr) != (chunked == nullptr)) __builtin_trap();
    if (!whole) return 0;
    if (whole->FieldCount() != chunked->FieldCount() || whole->LiveRowCount() != chunked->LiveRowCount())
        __builtin_trap();
    for (uint32_t r = 0; r < whole->StoredRowCount(); ++r)
        for (int f = 0; f < whole->FieldCount(); ++f)
            if (whole->IsNull(r, f) != chunked->IsNull(r, f) || whole->Value(r, f) != chunked->Value(r, f))
                __builtin_trap();

    TClientDataSet ds("fuzz");
    ds.LoadFromBuffer(bytes, "fuzz.xml");
    const int nf = ds.FieldCount();
    size_t total = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        for (int f = 0; f < nf; ++f) {
            TField field(&ds, f);
            total += field.AsText().size() + (field.IsNull() ? 1 : 0);
            try {
                total += static_cast<size_t>(field.AsInteger());
            } catch (const EVxError&) {}
        }
    }
    if (nf > 0) {
        const std::string key = ds.FieldDefAt(nf - 1).Name + ";" + ds.FieldDefAt(0).Name;
        try {
            ds.SetIndexFieldNames(key);
            ds.First();
            ds.Locate(ds.FieldDefAt(0).Name, {std::string(ds.TextAt(ds.RecordCount() / 2, 0))});
            if (ds.RecordCount() > 0) ds.Delete();
        } catch (const EVxError&) {
            // Field names that differ only in case beyond ASCII, or a name with ';'.
        }
    }
    static volatile size_t sink;
    sink = total;
    return 0;
}
