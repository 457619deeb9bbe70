#include "PacketCache.h"

namespace dataset {

std::shared_ptr<const Table> PacketCache::Load(const std::string& Path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(Path, ec);
    const auto time = ec ? std::filesystem::file_time_type{} : std::filesystem::last_write_time(Path, ec);
    if (ec) {
        m_entries.erase(Path);
        return ParsePacketFile(Path); // raises the error of the missing file
    }
    auto it = m_entries.find(Path);
    if (it != m_entries.end() && it->second.Size == size && it->second.Time == time) return it->second.Packet;
    if (it != m_entries.end()) m_entries.erase(it);
    // The stamp is taken before reading: a file rewritten meanwhile differs next time.
    auto table = ParsePacketFile(Path);
    ++m_parses;
    m_entries[Path] = Entry{size, time, table};
    return table;
}

void PacketCache::Clear() {
    m_entries.clear();
}

} // namespace dataset
