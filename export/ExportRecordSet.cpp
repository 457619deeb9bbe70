#include "export/ExportRecordSet.h"

#include <algorithm>

namespace txad {

TStringList ExportRecordSet::BodyFiles() const {
    TStringList Packets;
    for (const FileLayout& File : FFiles)
        if (!File.Packet.empty()) Packets.emplace_back(File.Packet);
    return Packets;
}

TStringList ExportRecordSet::OutFiles() const {
    TStringList Names;
    for (const FileLayout& File : FFiles) Names.emplace_back(File.FileName);
    return Names;
}

bool ExportRecordSet::OneSchoolRecordPerCode() const {
    return std::any_of(FFiles.begin(), FFiles.end(),
                       [](const FileLayout& File) { return File.Writer == BodyWriterKind::SchoolPerCode; });
}

} // namespace txad
