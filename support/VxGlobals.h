#pragma once
// The framework's start-up, its global values table and the program's own
// format settings (never the C library's locale).

#include "platform/Platform.h"

#include <memory>
#include <string>
#include <variant>
#include <vector>

// The locale's formats and the framework's two currency layouts; before the
// locale is loaded, the framework's defaults.
struct TFormatSettings : platform::LocaleFormats {
    int CurrencyFormat = 0;
    int NegCurrFormat = 0;
};

// The process's format settings.
TFormatSettings& FormatSettings();

struct TDateTimeParts {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0;
};

// Formats with the framework's patterns: d dd ddd dddd m mm mmm mmmm yy yyyy
// h hh n nn s ss zzz am/pm, '/' and ':' as the settings' separators, quoted
// literals kept; "ddddd" the short date, "t"/"tt" the short/long time.
std::string FormatDateTime(const std::string& Format, const TDateTimeParts& DT,
                           const TFormatSettings& FS = FormatSettings());
// A real number with the settings' decimal separator, no thousands separator,
// no trailing zeros (the framework's FloatToStr).
std::string FloatToStr(double Value, const TFormatSettings& FS = FormatSettings());

using TVxValue = std::variant<int, std::string>;

class TVxGlobalVal {
public:
    TVxGlobalVal(std::string AName, TVxValue AValue);
    virtual ~TVxGlobalVal() = default;
    virtual void Store(const TVxValue& AValue);
    virtual void Apply();
    const std::string& Name() const { return FName; }
    const TVxValue& Value() const { return FValue; }

private:
    std::string FName;
    TVxValue FValue;
};

class TVxGlobalValuesManager {
public:
    void SetValue(const std::string& Name, const TVxValue& Value);
    int IndexOfValue(const std::string& Name) const;
    TVxValue GetValue(const std::string& Name) const;
    int Count() const { return static_cast<int>(FList.size()); }

private:
    std::vector<std::unique_ptr<TVxGlobalVal>> FList;
};

TVxGlobalValuesManager& VxGlobalValues();

// Framework settings set through Apply.
struct TVxFrameworkSettings {
    int TransTry = 0;
    int TransTryTime = 0;
    int WaitForSearch = 0;
    std::string ImageDLLName;
    std::string UserParamVer;
};
TVxFrameworkSettings& VxFrameworkSettings();

// Creates the global TVxParam and values table, sets the six start-up values
// and, when FollowUserLocale, loads the format settings from the user's locale.
void VxFrameworkStartup(bool FollowUserLocale = true);
