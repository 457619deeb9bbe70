#pragma once
// Parsed packets of one run. A packet read by several datasets (the data check,
// the catalogue date, the school count, the export) is parsed once; a file whose
// size or write time differs from the cached one is parsed again.

#include "PacketTable.h"

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>

namespace dataset {

class PacketCache {
public:
    // The table of the packet at Path, parsed when not cached or changed on disk.
    // Raises what ParsePacketFile raises.
    std::shared_ptr<const Table> Load(const std::string& Path);
    void Clear();
    // How many packets this cache has parsed.
    int ParseCount() const { return m_parses; }

private:
    struct Entry {
        std::uintmax_t Size = 0;
        std::filesystem::file_time_type Time;
        std::shared_ptr<const Table> Packet;
    };
    std::unordered_map<std::string, Entry> m_entries;
    int m_parses = 0;
};

} // namespace dataset
