#pragma once
// The data packets the school-management suite leaves in the data folder,
// named by the part they play; the file names are the suite's.

#include <string_view>

namespace txad {

enum class Packet {
    Registry,           // schools and their sites
    Classes,            // classes, with the special-needs figures
    ClassStatistics,    // classes by year of course (the earlier edition)
    Adoptions,          // adopted books, with the catalogue date
    AdoptionExtensions, // adopted books with author, title and subject
    Specialisations,    // the special-needs codes the data check knows
};

constexpr std::string_view PacketFile(Packet Role) {
    switch (Role) {
    case Packet::Registry: return "Body014.xml";
    case Packet::Classes: return "Body622.xml";
    case Packet::ClassStatistics: return "Body698.xml";
    case Packet::Adoptions: return "Body815.xml";
    case Packet::AdoptionExtensions: return "Body815E.xml";
    case Packet::Specialisations: return "COD_SPECSPER.xml";
    }
    return {};
}

} // namespace txad
