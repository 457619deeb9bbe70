// Feeds arbitrary bytes, as a packet file, to the reader that parses a packet
// in pieces on several threads: no crash, no race, and whenever it gives a
// table, the table is the one the whole parse gives.

#include "dataset/PacketTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

// The packet file, one per fuzzing process.
const std::string& PacketPath() {
    static const std::string Path = "/tmp/fuzz-pieces-" + std::to_string(::getpid()) + ".xml";
    return Path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
    std::FILE* f = std::fopen(PacketPath().c_str(), "wb");
    if (!f) return 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) return 0;
    std::shared_ptr<const dataset::Table> whole;
    try {
        whole = dataset::ParsePacket(bytes, PacketPath());
    } catch (const EVxError&) {}
    for (size_t parts = 2; parts <= 5; ++parts) {
        const auto pieces = dataset::ParsePacketFileInParts(PacketPath(), parts, 2);
        if (!pieces) continue;
        if (!whole || whole->FieldCount() != pieces->FieldCount() ||
            whole->StoredRowCount() != pieces->StoredRowCount() ||
            whole->LiveRowCount() != pieces->LiveRowCount())
            __builtin_trap();
        for (uint32_t p = 0; p < whole->LiveRowCount(); ++p)
            if (whole->LiveRow(p) != pieces->LiveRow(p)) __builtin_trap();
        for (uint32_t r = 0; r < whole->StoredRowCount(); ++r)
            for (int c = 0; c < whole->FieldCount(); ++c)
                if (whole->IsNull(r, c) != pieces->IsNull(r, c) || whole->Value(r, c) != pieces->Value(r, c))
                    __builtin_trap();
    }
    return 0;
}
