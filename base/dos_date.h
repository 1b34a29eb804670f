// Packed DOS dates, as ZIP and RAR headers keep them: the date in the high
// 16 bits (years from 1980 in 7 bits, month in 4, day in 5) and the time in
// the low 16 (hour in 5 bits, minute in 6, seconds halved in 5), in the local
// time of whoever made the archive. Nothing here checks more than the
// ranges of the fields: the 31st of February passes and lands in March.
#pragma once

#include <cstdint>
#include <string>

namespace zarvon::base {

struct DosDateFields {
    unsigned year = 1980; // 1980..2107
    unsigned month = 0;   // 1..12 in a valid date
    unsigned day = 0;     // 1..31 in a valid date
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0; // even: DOS keeps two-second steps
};

DosDateFields dosDateFields(uint32_t dosDate);

// Seconds since the epoch of the date read as local time, with the zone's
// offset in force at that date. false, seconds untouched, when a field is
// out of its range (month 0, day 0, hour 24 and the like): such a date is
// "no date", not the start of 1980.
bool dosDateSeconds(uint32_t dosDate, int64_t &seconds);

// "YYYY-MM-DD hh:mm:ss", or without ":ss" when withSeconds is false; the
// fields as stored, even out of range.
std::string dosDateText(uint32_t dosDate, bool withSeconds = true);

} // namespace zarvon::base
