#include "support/VxGlobals.h"

#include "platform/Platform.h"
#include "support/VxExceptions.h"
#include "support/VxParam.h"
#include "support/VxStrUtils.h"

#include <optional>

namespace {

std::string TextOf(const TVxValue& V) {
    if (const int* I = std::get_if<int>(&V)) return std::to_string(*I);
    return std::get<std::string>(V);
}

std::optional<int> IntOf(const TVxValue& V) {
    if (const int* I = std::get_if<int>(&V)) return *I;
    int R = 0;
    if (!TryStrToInt(std::get<std::string>(V), R)) return std::nullopt;
    return R;
}

platform::LocaleFormats& RememberedLocale() {
    static platform::LocaleFormats L = platform::UserLocaleFormats();
    return L;
}

std::unique_ptr<TVxParam>& ParamInstance() {
    static std::unique_ptr<TVxParam> P;
    return P;
}

std::unique_ptr<TVxGlobalValuesManager>& ValuesInstance() {
    static std::unique_ptr<TVxGlobalValuesManager> M;
    return M;
}

} // namespace

TVxParam& VxParam() {
    auto& P = ParamInstance();
    if (!P) P = std::make_unique<TVxParam>();
    return *P;
}

TVxGlobalValuesManager& VxGlobalValues() {
    auto& M = ValuesInstance();
    if (!M) M = std::make_unique<TVxGlobalValuesManager>();
    return *M;
}

TVxFrameworkSettings& VxFrameworkSettings() {
    static TVxFrameworkSettings S;
    return S;
}

TVxGlobalVal::TVxGlobalVal(std::string AName, TVxValue AValue)
    : FName(std::move(AName)), FValue(std::move(AValue)) {}

void TVxGlobalVal::Store(const TVxValue& AValue) {
    FValue = AValue;
    Apply();
}

void TVxGlobalVal::Apply() {
    const std::string Text = TextOf(FValue);
    if (AllTrim(Text).empty()) return; // blanks and controls count as empty
    TFormatSettings& FS = FormatSettings();
    TVxFrameworkSettings& VS = VxFrameworkSettings();
    auto Is = [this](std::string_view N) { return SameText(FName, N); };
    auto SetInt = [this](int& Target) {
        // A text that is no number leaves the setting as it was.
        if (auto I = IntOf(FValue)) Target = *I;
    };
    if (Is("VXP_LongDateFormat")) {
        FS.LongDateFormat = Text.starts_with("ddddd") ? RememberedLocale().LongDateFormat : Text;
    } else if (Is("VXP_ShortDateFormat")) {
        FS.ShortDateFormat = Text.starts_with("ddddd") ? RememberedLocale().ShortDateFormat : Text;
    } else if (Is("VXP_ShortTimeFormat")) {
        if (!Text.starts_with("t")) FS.ShortTimeFormat = Text;
    } else if (Is("VXP_LongTimeFormat")) {
        if (!Text.starts_with("t")) FS.LongTimeFormat = Text;
    } else if (Is("VXP_CurrencyString")) {
        FS.CurrencyString = Text;
    } else if (Is("VXP_CurrencyFormat")) {
        SetInt(FS.CurrencyFormat);
    } else if (Is("VXP_NegCurrFormat")) {
        SetInt(FS.NegCurrFormat);
    } else if (Is("VXP_ThousandSeparator")) {
        FS.ThousandSeparator = Text[0];
    } else if (Is("VXP_DecimalSeparator")) {
        FS.DecimalSeparator = Text[0];
    } else if (Is("VXP_CurrencyDecimals")) {
        SetInt(FS.CurrencyDecimals);
    } else if (Is("VXP_DateSeparator")) {
        FS.DateSeparator = Text[0];
    } else if (Is("VXP_TimeSeparator")) {
        FS.TimeSeparator = Text[0];
    } else if (Is("VXP_TransTry")) {
        VS.TransTry = IntOf(FValue).value_or(3);
    } else if (Is("VXP_TransTryTime")) {
        VS.TransTryTime = IntOf(FValue).value_or(500);
    } else if (Is("VXP_WaitForSearch")) {
        VS.WaitForSearch = IntOf(FValue).value_or(500);
    } else if (Is("ImageDLLName")) {
        VS.ImageDLLName = Text;
    } else if (Is("UserParamVer")) {
        VS.UserParamVer = Text;
    }
}

void TVxGlobalValuesManager::SetValue(const std::string& Name, const TVxValue& Value) {
    int I = IndexOfValue(Name);
    if (I < 0) {
        FList.push_back(std::make_unique<TVxGlobalVal>(Name, Value));
        I = Count() - 1;
    }
    FList[static_cast<std::size_t>(I)]->Store(Value);
}

int TVxGlobalValuesManager::IndexOfValue(const std::string& Name) const {
    for (int I = Count() - 1; I >= 0; --I)
        if (SameText(FList[static_cast<std::size_t>(I)]->Name(), Name)) return I;
    return -1;
}

TVxValue TVxGlobalValuesManager::GetValue(const std::string& Name) const {
    int I = IndexOfValue(Name);
    if (I < 0) throw ERangeError("Variabile inesistente (" + Name + ")");
    return FList[static_cast<std::size_t>(I)]->Value();
}

void VxFrameworkStartup(bool FollowUserLocale) {
    ParamInstance() = std::make_unique<TVxParam>();
    ValuesInstance() = std::make_unique<TVxGlobalValuesManager>();
    VxFrameworkSettings() = TVxFrameworkSettings{};
    TVxGlobalValuesManager& M = *ValuesInstance();
    M.SetValue("VXP_TransTry", 0);
    M.SetValue("VXP_TransTryTime", 0);
    M.SetValue("VXP_WaitForSearch", 0);
    M.SetValue("VXP_LoginTry", 3);
    M.SetValue("ImageDLLName", std::string("VxLCommon.dll"));
    M.SetValue("UserParamVer", std::string("1.0.0"));
    if (!FollowUserLocale) return;
    // The currency layouts are the framework's, not the locale's.
    static_cast<platform::LocaleFormats&>(FormatSettings()) = RememberedLocale() =
        platform::UserLocaleFormats();
}
