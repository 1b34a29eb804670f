#include "base/dos_date.h"

#include <cstdio>
#include <ctime>

namespace zarvon::base {

DosDateFields dosDateFields(uint32_t dosDate)
{
    DosDateFields f;
    f.year = (dosDate >> 25) + 1980;
    f.month = (dosDate >> 21) & 0x0F;
    f.day = (dosDate >> 16) & 0x1F;
    f.hour = (dosDate >> 11) & 0x1F;
    f.minute = (dosDate >> 5) & 0x3F;
    f.second = (dosDate & 0x1F) * 2;
    return f;
}

bool dosDateSeconds(uint32_t dosDate, int64_t &seconds)
{
    const DosDateFields f = dosDateFields(dosDate);
    if (f.month < 1 || f.month > 12 || f.day < 1 || f.hour > 23 || f.minute > 59 || f.second > 59)
        return false;
    std::tm t{};
    t.tm_year = static_cast<int>(f.year) - 1900;
    t.tm_mon = static_cast<int>(f.month) - 1;
    t.tm_mday = static_cast<int>(f.day);
    t.tm_hour = static_cast<int>(f.hour);
    t.tm_min = static_cast<int>(f.minute);
    t.tm_sec = static_cast<int>(f.second);
    // Read as UTC, then moved by the zone's offset at that moment, rather
    // than with mktime, which looks at the zone file again on every call:
    // one system call per extracted file. Twice, so that a date just across
    // a change of offset gets the offset in force at that date.
    const int64_t asUtc = static_cast<int64_t>(::timegm(&t));
    int64_t guess = asUtc;
    for (int i = 0; i < 2; ++i) {
        const time_t when = static_cast<time_t>(guess);
        std::tm local{};
        if (!::localtime_r(&when, &local))
            break;
        guess = asUtc - static_cast<int64_t>(local.tm_gmtoff);
    }
    seconds = guess;
    return true;
}

std::string dosDateText(uint32_t dosDate, bool withSeconds)
{
    const DosDateFields f = dosDateFields(dosDate);
    char text[40];
    if (withSeconds)
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", f.year, f.month, f.day, f.hour, f.minute,
                      f.second);
    else
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", f.year, f.month, f.day, f.hour, f.minute);
    return text;
}

} // namespace zarvon::base
