#pragma once
// String and fixed-width helpers over single-byte CP1252 text. Positions are
// 1-based and count bytes; no input raises an error.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using TStringList = std::vector<std::string>;

// Integer text as the framework reads it: leading blanks, an optional sign,
// decimal digits and nothing after them ("+-5" is not an integer). False when
// Text is not one or the value does not fit.
bool TryStrToInt(std::string_view Text, std::int64_t& Value);
bool TryStrToInt(std::string_view Text, int& Value);

// S left-aligned in Width characters; an over-long S keeps its first Width.
std::string PadR(std::string_view S, std::string_view Pad, int Width);
// S right-aligned in Width characters; an over-long S keeps its FIRST Width.
std::string PadL(std::string_view S, std::string_view Pad, int Width);
std::string SubStr(std::string_view S, int From, int Count);
// Removes every byte <= 32 from both ends.
std::string AllTrim(std::string_view S);
// Always the backslash, whatever the platform: it is the system's string helper.
std::string IncludeBackslash(std::string_view S);
// Removes one trailing platform separator, if any.
std::string ExcludePathDelimiter(std::string_view S);
// A path of the file system (UTF-8 here) as the system's text, for a message:
// "citt\xC3\xA0" gives "citt\xE0"; what CP1252 cannot hold becomes "?".
std::string PathText(std::string_view Path);
// ASCII case folding, the framework's UpperCase and SameText: bytes above
// 127 are left as they are.
std::string UpperCaseAscii(std::string_view S);
bool SameText(std::string_view A, std::string_view B);
void SplitToList(std::string_view S, std::string_view Separator, TStringList& List);
std::string RightPart(std::string_view S, int N);
std::string Replicate(std::string_view S, int N);

// Allocation-free variants for hot loops: append the padded field to Out.
void AppendPadR(std::string& Out, std::string_view S, std::size_t Width);
void AppendPadL(std::string& Out, std::string_view S, std::size_t Width);

// Formats a message with one %s or %d, the framework's Format for the texts
// that carry exactly one argument.
std::string FormatMsg(std::string_view Pattern, std::string_view Arg);
std::string FormatMsg(std::string_view Pattern, long long Arg);
