#pragma once
// Between a field's stored packet value and the text callers read and set.
// Stored values are parsed locale-independently; text follows the framework's
// format settings.

#include "dataset/ClientDataSet.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dataset {

// Field types whose text is the stored value itself.
inline bool IsTextType(FieldType T) {
    return T == FieldType::String || T == FieldType::WideString || T == FieldType::Unknown;
}

// The text of a non-null stored value: string types as stored, integers in
// decimal, r8/fixed with the decimal separator and no trailing zeros, dates
// with the short date format, times with the long time format, booleans
// "True"/"False", binary bin.hex decoded from Base64. A value that does not
// parse as its type is given as stored. May return a view of Scratch.
std::string_view StoredToText(const FieldDef& Def, std::string_view Stored, std::string& Scratch);

// Raises EVxError "'<value>' is not a valid integer value for field '<name>'".
int StoredToInteger(const FieldDef& Def, std::string_view Stored);

// The stored form of a text set by the program. Raises EVxError when the text
// is not a value of the field's type.
std::string TextToStored(const FieldDef& Def, std::string_view Text);

// Field types whose values compare as integers / as real numbers.
inline bool IsIntegerType(FieldType T) {
    switch (T) {
    case FieldType::Int8:
    case FieldType::Int16:
    case FieldType::Int32:
    case FieldType::Int64:
    case FieldType::UInt8:
    case FieldType::UInt16:
    case FieldType::UInt32: return true;
    default: return false;
    }
}
bool IsFloatType(FieldType T);

bool ParseStoredInteger(std::string_view Stored, int64_t& Value);
bool ParseStoredFloat(std::string_view Stored, double& Value);
bool ParseStoredBoolean(std::string_view Stored, bool& Value);

} // namespace dataset
