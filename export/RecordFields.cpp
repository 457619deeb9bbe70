#include "export/RecordFields.h"

#include <algorithm>

#include "support/VxExceptions.h"
#include "support/VxStrUtils.h"

namespace txad {

namespace {

void AppendTwoDigits(std::string& Out, int Value) {
    if (Value <= 9) Out += '0';
    Out += std::to_string(Value);
}

// Four digits compare as text in the order of their numbers.
bool IsRecordedYear(std::string_view Year) {
    return Year.size() == 4 &&
           std::all_of(Year.begin(), Year.end(), [](char C) { return C >= '0' && C <= '9'; }) &&
           Year >= FirstRecordedYear && Year <= CampaignYear;
}

// The year agrees with the in-use flag: a book not yet in use is adopted in
// the campaign year, a book in use was adopted before it.
bool YearAgrees(char InUso, std::string_view Year) {
    return (InUso == 'N' && Year == CampaignYear) || (InUso == 'S' && Year != CampaignYear);
}

void AppendNeed(std::string& List, std::string_view Value, std::string_view ZeroForm) {
    if (Value.empty() || Value == "0" || Value == ZeroForm) return;
    if (!List.empty()) List += ',';
    List.append(Value);
}

} // namespace

std::string FormatDateDMY(const platform::LocalDate& Date) {
    std::string Text;
    Text.reserve(8);
    AppendTwoDigits(Text, Date.Day);
    AppendTwoDigits(Text, Date.Month);
    // The year takes four digits, as the header's date field has them.
    const std::string Year = std::to_string(Date.Year);
    if (Year.size() < 4) Text.append(4 - Year.size(), '0');
    Text += Year;
    return Text;
}

std::string FormatExCode(std::string_view ExCodScuola) {
    std::string Text;
    AppendPadR(Text, ExCodeValue(ExCodScuola), 10);
    return Text;
}

void FirstAdoptionYear(std::string_view AnnoPrimaAdoz, std::string& Year) {
    Year.clear();
    AppendPadL(Year, AnnoPrimaAdoz, 4);
    if (!IsRecordedYear(Year)) Year.assign(4, ' ');
}

char InUsoFlag(int InUso, std::string& Year) {
    if (InUso == 0) {
        Year.assign(CampaignYear);
        return 'N';
    }
    return InUso == 1 ? 'S' : ' ';
}

char InPossessoFlag(int InPossesso, char InUso, std::string_view Year) {
    if (!YearAgrees(InUso, Year)) return ' ';
    if (InPossesso == 0) return 'N';
    return InPossesso == 1 ? 'S' : ' ';
}

char ConsigliatoFlag(int Approfondimento, int Monografia, char InUso, char InPossesso,
                     std::string_view Year) {
    if (InPossesso != 'S' || !YearAgrees(InUso, Year)) return ' ';
    if (Approfondimento == 1) return 'A';
    return Monografia == 1 ? 'M' : ' ';
}

void ComputeAdoptionFlags(std::string_view AnnoPrimaAdoz, int InUso, int InPossesso, int Approfondimento,
                          int Monografia, AdoptionFlags& Flags) {
    FirstAdoptionYear(AnnoPrimaAdoz, Flags.Year);
    Flags.InUso = InUsoFlag(InUso, Flags.Year);
    Flags.InPossesso = InPossessoFlag(InPossesso, Flags.InUso, Flags.Year);
    Flags.Consigliato =
        ConsigliatoFlag(Approfondimento, Monografia, Flags.InUso, Flags.InPossesso, Flags.Year);
}

void BuildSpecialNeeds(std::string& List, std::string_view NrAluIpo, std::string_view NrAluNonVed,
                       std::string_view NrAluDisl) {
    List.clear();
    AppendNeed(List, NrAluIpo, "I0");
    AppendNeed(List, NrAluNonVed, "N0");
    AppendNeed(List, NrAluDisl, "D0");
}

std::string FormatSchoolCount(long long Count) {
    if (Count > 999)
        throw EVxError(
            FormatMsg("Numero di scuole (%d) superiore al massimo consentito dal tracciato (999)", Count));
    return PadL(std::to_string(Count), " ", 3);
}

void CheckRecordCount(long long Count) {
    if (Count > 99999)
        throw EVxError(
            FormatMsg("Numero di record (%d) superiore al massimo consentito dal tracciato (99999)", Count));
}

std::string FormatRecordCount(long long Count) {
    CheckRecordCount(Count);
    return PadL(std::to_string(Count), " ", 5);
}

} // namespace txad
