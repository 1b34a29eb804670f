// Entry dates: the DOS date every entry has (local time, two-second steps)
// and the extra fields that hold the modification time to the second (UTC).
#include "engine/internal.h"

#include <climits>
#include <ctime>

#include "base/dos_date.h"

namespace zarvon::engine::detail {

namespace {

constexpr unsigned kExtendedTimestampTag = 0x5455; // "UT", Info-ZIP
constexpr unsigned kNtfsTag = 0x000a;
constexpr unsigned kNtfsTimesTag = 0x0001; // modification, access, creation time
// NTFS times count 100 ns ticks from 1601-01-01; this many lie before 1970.
constexpr int64_t kNtfsTicksTo1970 = 116444736000000000LL;
constexpr int64_t kNtfsTicksPerSecond = 10000000LL;

uint64_t littleEndian(std::string_view s, size_t at, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

// Calls visit(tag, body) for each block of an extra field, up to the first
// block that runs past the end of the field.
template <typename Visit>
void forEachBlock(std::string_view extra, Visit visit)
{
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const auto tag = static_cast<unsigned>(littleEndian(extra, pos, 2));
        const auto len = static_cast<size_t>(littleEndian(extra, pos + 2, 2));
        if (pos + 4 + len > extra.size())
            return;
        visit(tag, extra.substr(pos + 4, len));
        pos += 4 + len;
    }
}

// The extended timestamp's modification time: a flags byte whose bit 0 says
// the time follows, then the time. The local header's copy may go on with
// the access and creation times; the central copy stops after this one
// whatever the flags say.
bool extendedTimeOf(std::string_view extra, uint32_t dosDate, int64_t &seconds)
{
    bool found = false;
    forEachBlock(extra, [&](unsigned tag, std::string_view body) {
        if (found || tag != kExtendedTimestampTag || body.size() < 5 || (body[0] & 1) == 0)
            return;
        const uint32_t raw = static_cast<uint32_t>(littleEndian(body, 1, 4));
        // A signed count, as the field was defined; a writer past 2038 can
        // only go on unsigned, which a DOS year of 2038 or later tells apart.
        const bool pastSignedRange = (raw & 0x80000000u) != 0 && (dosDate >> 25) + 1980 >= 2038;
        seconds = pastSignedRange ? int64_t{raw} : int64_t{static_cast<int32_t>(raw)};
        found = true;
    });
    return found;
}

// The NTFS field: four reserved bytes, then attributes (tag, size, body);
// attribute 1 holds the modification, access and creation times.
bool ntfsTimeOf(std::string_view extra, int64_t &seconds)
{
    bool found = false;
    forEachBlock(extra, [&](unsigned tag, std::string_view body) {
        if (found || tag != kNtfsTag || body.size() < 4)
            return;
        forEachBlock(body.substr(4), [&](unsigned attribute, std::string_view times) {
            if (found || attribute != kNtfsTimesTag || times.size() < 24)
                return;
            const uint64_t ticks = littleEndian(times, 0, 8);
            if (ticks == 0 || ticks > static_cast<uint64_t>(LLONG_MAX))
                return; // not a time anyone set
            const int64_t since1970 = static_cast<int64_t>(ticks) - kNtfsTicksTo1970;
            seconds = since1970 / kNtfsTicksPerSecond;
            if (since1970 % kNtfsTicksPerSecond < 0)
                --seconds; // before 1970: round down, as for later times
            found = true;
        });
    });
    return found;
}

} // namespace

void setEntryTime(std::string_view centralExtra, EntryInfo &info)
{
    int64_t seconds = 0;
    if (extendedTimeOf(centralExtra, info.dosDate, seconds))
        info.timeSource = TimeSource::Extended;
    else if (ntfsTimeOf(centralExtra, seconds))
        info.timeSource = TimeSource::Ntfs;
    else if (base::dosDateSeconds(info.dosDate, seconds))
        info.timeSource = TimeSource::Dos;
    else {
        info.timeSource = TimeSource::None;
        seconds = 0;
    }
    info.modifiedTime = seconds;
}

std::string extendedTimestampExtra(int64_t modifiedTime)
{
    std::string field;
    // Beyond 32 bits the field cannot hold the time, and before 1970 only a
    // signed reading gets it back: both readings are covered by this range
    // (see extendedTimeOf).
    if (modifiedTime < INT32_MIN || modifiedTime > static_cast<int64_t>(UINT32_MAX))
        return field;
    const auto value = static_cast<uint32_t>(modifiedTime);
    const unsigned char bytes[9] = {0x55,
                                    0x54,
                                    5,
                                    0,
                                    1, // the modification time follows
                                    static_cast<unsigned char>(value),
                                    static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16),
                                    static_cast<unsigned char>(value >> 24)};
    field.assign(reinterpret_cast<const char *>(bytes), sizeof bytes);
    return field;
}

} // namespace zarvon::engine::detail
