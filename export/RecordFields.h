#pragma once
// Field rules shared by the record writers of both editions: the date text,
// the former school code, the first-adoption year and the adoption flags.

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace txad {

// The 8-character date text DDMMYYYY, for years 1 to 9999.
std::string FormatDateDMY(const platform::LocalDate& Date);

// "." (no former code) gives 10 blanks; any other value is cut or padded to
// 10, so that no value moves the fields after it.
std::string FormatExCode(std::string_view ExCodScuola);
// The former code's value before padding: "." stands for none.
inline std::string_view ExCodeValue(std::string_view ExCodScuola) {
    return ExCodScuola == "." ? std::string_view() : ExCodScuola;
}

// The campaign's adoption year, and the earliest first-adoption year the
// records carry (both four digits).
inline constexpr std::string_view CampaignYear = "2021";
inline constexpr std::string_view FirstRecordedYear = "2009";

// AnnoPrimaAdoz made 4 characters (PadL, keeping the first four of a longer
// text); a year outside FirstRecordedYear..CampaignYear becomes four blanks.
void FirstAdoptionYear(std::string_view AnnoPrimaAdoz, std::string& Year);

// In use: 0 gives 'N' and sets Year to the campaign year, 1 gives 'S', any
// other value a blank.
char InUsoFlag(int InUso, std::string& Year);
// Ownership: follows InPossesso (0 'N', 1 'S', else blank) only when the
// year agrees with the in-use flag; otherwise blank.
char InPossessoFlag(int InPossesso, char InUso, std::string_view Year);
// Recommendation: only for owned books whose year agrees with the in-use
// flag; further study ('A') wins over monograph ('M').
char ConsigliatoFlag(int Approfondimento, int Monografia, char InUso, char InPossesso, std::string_view Year);

// The four values an adoption row gives, in the order they are computed.
struct AdoptionFlags {
    std::string Year; // 4 characters
    char InUso = ' ';
    char InPossesso = ' ';
    char Consigliato = ' ';
};
void ComputeAdoptionFlags(std::string_view AnnoPrimaAdoz, int InUso, int InPossesso, int Approfondimento,
                          int Monografia, AdoptionFlags& Flags);

// The special-needs list of a class row: the values that do not mean "none",
// joined by ",". Null fields are passed as empty text.
void BuildSpecialNeeds(std::string& List, std::string_view NrAluIpo, std::string_view NrAluNonVed,
                       std::string_view NrAluDisl);

// Counts in fixed fields: a count that does not fit its field stops the run
// instead of being cut to its first digits.
std::string FormatSchoolCount(long long Count); // 3 characters
std::string FormatRecordCount(long long Count); // 5 characters
void CheckRecordCount(long long Count);

} // namespace txad
