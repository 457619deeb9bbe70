#include "export/wizard/WizardRules.h"

#include "export/records/RecordFields.h"
#include "support/VxStrUtils.h"

namespace txad {

std::optional<std::size_t> FirstBadSiteGroup(const std::vector<std::string>& SiteTexts,
                                             const std::vector<bool>& Ticked) {
    std::size_t I = 0;
    while (I < SiteTexts.size()) {
        const std::size_t First = I;
        const std::string Key = SiteTexts[I].substr(0, SiteGroupKeyLength);
        int Ticks = 0;
        for (; I < SiteTexts.size() && SiteTexts[I].compare(0, SiteGroupKeyLength, Key) == 0; ++I)
            if (I < Ticked.size() && Ticked[I]) ++Ticks;
        if (Ticks != 1) return First;
    }
    return std::nullopt;
}

std::string SiteGroupError(const std::vector<std::string>& SiteTexts, const std::vector<bool>& Ticked,
                           std::size_t First) {
    const std::string Key = First < SiteTexts.size() ? SiteTexts[First].substr(0, SiteGroupKeyLength) : "";
    int Ticks = 0;
    for (std::size_t I = First; I < SiteTexts.size() && SiteTexts[I].compare(0, SiteGroupKeyLength, Key) == 0;
         ++I)
        if (I < Ticked.size() && Ticked[I]) ++Ticks;
    const std::string Count =
        Ticks == 0 ? std::string("nessuna \xE8 selezionata") : "ne sono selezionate " + std::to_string(Ticks);
    return "Per ogni codice meccanografico dev'essere selezionata\r\nuna e una sola descrizione: per il "
           "codice " +
           AllTrim(Key) + " " + Count + ".";
}

std::vector<int> ApplySiteChoice(TClientDataSet& Main, const std::vector<bool>& Ticked) {
    std::vector<int> PacketRows;
    Main.First();
    int I = 0;
    while (!Main.Eof() && I < static_cast<int>(Ticked.size())) {
        if (Ticked[static_cast<std::size_t>(I)]) {
            PacketRows.push_back(I);
            Main.Next();
        } else {
            Main.Delete();
        }
        ++I;
    }
    for (; !Main.Eof(); Main.Next()) PacketRows.push_back(I++);
    Main.First();
    return PacketRows;
}

FormerCodeEntry CheckFormerCode(const std::string& Typed) {
    if (Typed.empty()) return {true, ".", {}};
    if (const std::size_t Length = AllTrim(Typed).size(); Length != SchoolCodeLength)
        return {
            false,
            {},
            "Ex codice: il codice meccanografico dev'essere composto da " + std::to_string(SchoolCodeLength) +
                " caratteri; ne " +
                (Length == 1 ? "\xE8 stato digitato 1" : "sono stati digitati " + std::to_string(Length)) +
                "."};
    return {true, Typed, {}};
}

WizardButtons ExportFormButtons(const RoutePosition& At, StartupOutcome Outcome) {
    if (At.Step < 0 || At.Step >= At.StepCount) return {};
    const bool Last = At.Step == At.StepCount - 1;
    const bool NextIsLast = At.Step + 1 == At.StepCount - 1;
    WizardButtons Buttons;
    Buttons.Ok = Last;
    Buttons.Prior = At.BackAlong && At.Step > 0 && (!Last || At.RunStopped);
    Buttons.Next = !Last && (Outcome == StartupOutcome::Complete ||
                             (Outcome == StartupOutcome::PagesOnly && !NextIsLast));
    return Buttons;
}

ExportSettings MakeExportSettings(const StartupState& Startup, std::string ProtocolNumber,
                                  const platform::LocalDateTime& Now) {
    ExportSettings Settings = static_cast<const ExportSettings&>(Startup);
    Settings.Header.ProtocolNumber = std::move(ProtocolNumber);
    Settings.Header.RunDate = FormatDateDMY(platform::LocalDate{Now.Year, Now.Month, Now.Day});
    return Settings;
}

} // namespace txad
