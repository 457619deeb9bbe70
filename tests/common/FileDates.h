#pragma once
// Git keeps no file times, and the parameter file's date is a header field:
// tests date the parameter files they use on 1 September 2021 at the given
// hour, local time (POSIX).

#include <ctime>
#include <filesystem>
#include <sys/time.h>

namespace testsupport {

inline bool DateOnFirstSeptember2021(const std::filesystem::path& File, int Hour) {
    std::tm Local{};
    Local.tm_year = 2021 - 1900;
    Local.tm_mon = 8;
    Local.tm_mday = 1;
    Local.tm_hour = Hour;
    Local.tm_isdst = -1;
    const std::time_t When = std::mktime(&Local);
    const timeval Times[2] = {{When, 0}, {When, 0}};
    return utimes(File.c_str(), Times) == 0;
}

} // namespace testsupport
