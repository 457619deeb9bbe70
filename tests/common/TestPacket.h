#pragma once
// Data packets for tests, built from field declarations and rows.
//
//   testsupport::Packet({"CodScuola:string:10", "AnnoCorso:i4", "Nome"},
//                       {testsupport::Row({"CodScuola", "Nome"}, {"RMIC81500A", "Tal\xE0"})})
//
// A field is "Name" (a string field of width 20), "Name:type" (no width) or
// "Name:type:width". A row is the attribute text of a ROW element; values go in
// as written (attribute text, not escaped), a field left out of a row is null.

#include "tests/common/TestSupport.h"

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

inline constexpr const char* kPacketProlog = "<?xml version=\"1.0\" standalone=\"yes\"?>";

inline std::string FieldElement(std::string_view Declaration) {
    const std::size_t Colon = Declaration.find(':');
    if (Colon == std::string_view::npos)
        return "<FIELD attrname=\"" + std::string(Declaration) + "\" fieldtype=\"string\" WIDTH=\"20\"/>";
    std::string Element =
        "<FIELD attrname=\"" + std::string(Declaration.substr(0, Colon)) + "\" fieldtype=\"";
    const std::string_view Rest = Declaration.substr(Colon + 1);
    const std::size_t Second = Rest.find(':');
    if (Second == std::string_view::npos) return Element + std::string(Rest) + "\"/>";
    return Element + std::string(Rest.substr(0, Second)) + "\" WIDTH=\"" +
           std::string(Rest.substr(Second + 1)) + "\"/>";
}

// A whole packet around FIELD elements, ROW elements and the attribute text of
// PARAMS, all given as XML text.
inline std::string PacketXml(std::string_view FieldsXml, std::string_view RowsXml,
                             std::string_view Params = "") {
    std::string P = kPacketProlog;
    P += "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    P += FieldsXml;
    P += "</FIELDS><PARAMS";
    if (!Params.empty()) P += ' ';
    P += Params;
    P += "/></METADATA><ROWDATA>";
    P += RowsXml;
    return P + "</ROWDATA></DATAPACKET>";
}

// A whole packet: FIELD elements from Fields, ROW elements from Rows.
inline std::string Packet(const std::vector<std::string>& Fields, const std::vector<std::string>& Rows,
                          std::string_view Params = "") {
    std::string FieldsXml, RowsXml;
    for (const std::string& F : Fields) FieldsXml += FieldElement(F);
    for (const std::string& R : Rows) RowsXml += "<ROW " + R + "/>";
    return PacketXml(FieldsXml, RowsXml, Params);
}

// Row attribute text giving Values[i] to Names[i].
inline std::string Row(const std::vector<std::string>& Names, const std::vector<std::string>& Values) {
    std::string R;
    for (std::size_t I = 0; I < Names.size() && I < Values.size(); ++I) {
        if (I) R += ' ';
        R += Names[I] + "=\"" + Values[I] + "\"";
    }
    return R;
}

// The name part of each field declaration, for Row.
inline std::vector<std::string> FieldNames(const std::vector<std::string>& Fields) {
    std::vector<std::string> Names;
    for (const std::string& F : Fields) Names.push_back(F.substr(0, F.find(':')));
    return Names;
}

// Writes Bytes to a fresh file in the sandbox (named Name, or numbered) and
// returns its path.
inline std::string WritePacket(std::string_view Bytes, const std::string& Name = "") {
    static int Counter = 0;
    const std::string Path =
        SandboxDir() + "/" + (Name.empty() ? "packet" + std::to_string(++Counter) + ".xml" : Name);
    WriteFileBytes(Path, Bytes);
    return Path;
}

} // namespace testsupport
