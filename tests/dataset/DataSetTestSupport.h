#pragma once
// Small packets written from string literals into the test sandbox.

#include "ClientDataSet.h"
#include "TestSupport.h"

#include <string>
#include <string_view>

namespace dstest {

inline constexpr const char* kProlog = "<?xml version=\"1.0\" standalone=\"yes\"?>";

// A packet with the given FIELD elements, ROW elements and PARAMS attributes.
inline std::string Packet(std::string_view Fields, std::string_view Rows, std::string_view Params = "") {
    std::string p = kProlog;
    p += "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    p += Fields;
    p += "</FIELDS><PARAMS";
    if (!Params.empty()) p += ' ';
    p += Params;
    p += "/></METADATA><ROWDATA>";
    p += Rows;
    p += "</ROWDATA></DATAPACKET>";
    return p;
}

// Writes Bytes to a fresh file in the sandbox and returns its path.
inline std::string WritePacket(std::string_view Bytes, const std::string& Name = "") {
    static int counter = 0;
    const std::string path = testsupport::SandboxDir() + "/" +
                             (Name.empty() ? "packet" + std::to_string(++counter) + ".xml" : Name);
    testsupport::WriteFileBytes(path, Bytes);
    return path;
}

// Every current row's value of one field, "|"-separated, nulls as "~".
inline std::string Column(TClientDataSet& Ds, std::string_view Field) {
    std::string out;
    TField f = Ds.FieldByName(Field);
    for (Ds.First(); !Ds.Eof(); Ds.Next()) {
        if (Ds.RecNo() > 0) out += '|';
        out += f.IsNull() ? std::string("~") : f.AsString();
    }
    return out;
}

} // namespace dstest
