#include "engine/zip_edit.h"

#include "engine/internal.h"

#include "base/paths.h"
#include "base/safe_output.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>
#include <unordered_map>
#include <utility>

namespace zarvon::engine {

using namespace detail;

namespace {

constexpr uint32_t kLocalSig = 0x04034b50u;
constexpr uint32_t kCentralSig = 0x02014b50u;
constexpr uint32_t kDescriptorSig = 0x08074b50u;
constexpr uint64_t kMax32 = 0xFFFFFFFFull;
// Copies run in pieces of this size, each followed by a progress call.
constexpr size_t kCopyPiece = 8u << 20;

uint32_t le16(const unsigned char *p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }
uint32_t le32(const unsigned char *p) { return le16(p) | le16(p + 2) << 16; }
uint32_t le16(const std::string &s, size_t at) { return le16(reinterpret_cast<const unsigned char *>(s.data() + at)); }
uint32_t le32(const std::string &s, size_t at) { return le32(reinterpret_cast<const unsigned char *>(s.data() + at)); }
void set16(std::string &s, size_t at, uint32_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void set32(std::string &s, size_t at, uint64_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void add16(std::string &s, uint32_t v) { s.append(2, '\0'), set16(s, s.size() - 2, v); }
void add32(std::string &s, uint64_t v) { s.append(4, '\0'), set32(s, s.size() - 4, v); }
void add64(std::string &s, uint64_t v)
{
    add32(s, v & kMax32);
    add32(s, v >> 32);
}

// The extra field without the blocks of the given ids.
std::string withoutBlocks(const std::string &extra, std::initializer_list<uint32_t> ids)
{
    std::string out;
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const uint32_t id = le16(extra, pos), len = le16(extra, pos + 2);
        if (pos + 4 + len > extra.size())
            break;
        if (std::find(ids.begin(), ids.end(), id) == ids.end())
            out.append(extra, pos, 4 + len);
        pos += 4 + len;
    }
    return out;
}

bool hasBlock(const std::string &extra, uint32_t id)
{
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        const uint32_t len = le16(extra, pos + 2);
        if (le16(extra, pos) == id)
            return true;
        pos += 4 + len;
    }
    return false;
}

std::string stripSlash(std::string name)
{
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    return name;
}

// A name the user typed for an entry: relative, no empty, "." or ".."
// components, no NUL and no backslash (a separator elsewhere).
bool acceptableName(const std::string &name)
{
    const std::string base = stripSlash(name);
    if (base.empty() || name.front() == '/' || base.find('\0') != std::string::npos ||
        base.find('\\') != std::string::npos)
        return false;
    size_t start = 0;
    for (;;) {
        const size_t end = base.find('/', start);
        const std::string part = base.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

// DOS date (high half) and time (low half) of `seconds`, in local time.
uint32_t dosDateOf(int64_t seconds)
{
    std::tm t{};
    int64_t offset = 0;
    if (!fs::localTimeOf(seconds, t, offset) || t.tm_year < 80)
        return (0u << 25) | (1u << 21) | (1u << 16);
    const uint32_t date = (static_cast<uint32_t>(t.tm_year - 80) << 9) | (static_cast<uint32_t>(t.tm_mon + 1) << 5) |
                          static_cast<uint32_t>(t.tm_mday);
    const uint32_t time = (static_cast<uint32_t>(t.tm_hour) << 11) | (static_cast<uint32_t>(t.tm_min) << 5) |
                          static_cast<uint32_t>(t.tm_sec / 2);
    return date << 16 | time;
}

struct Source {
    std::string central;   // the central record as stored: 46 bytes, name, extra, comment
    std::string name;      // decoded, "/" separators
    std::string newName;   // "" unless renamed
    bool removed = false;
    uint32_t flag = 0;
    uint32_t method = 0;
    uint64_t csize = 0, usize = 0, offset = 0;
    bool marked[3] = {}; // the central header's uncompressed size, compressed size, offset were ZIP64 markers
    EditEntry info;
    const std::string &current() const { return newName.empty() ? name : newName; }
};

// Where an entry's bytes are in the old archive.
struct Span {
    uint64_t start = 0;     // local header
    uint64_t dataStart = 0; // after the local header's name and extra
    uint64_t end = 0;       // after the data and the data descriptor
    std::string localHeader; // the 30 bytes, name and extra
};

// A file being written: the unnamed file, or a hidden named one where the
// file system has no unnamed files. Removed unless committed.
struct Output {
    int fd = -1;
    bool unnamed = false;
    std::string path; // for minizip: the /proc path of the unnamed file, or the hidden file
    ~Output()
    {
        if (fd >= 0)
            fs::closeFd(fd);
        if (!unnamed && !path.empty())
            fs::remove(path);
    }
};

} // namespace

struct ZipEditor::State {
    std::string path;
    int fd = -1;
    fs::FileStatus st;
    uint64_t cdStart = 0;
    std::string comment;
    std::vector<Source> entries;
    std::vector<EditAddition> added; // in the order given
    bool changed = false;
    ~State()
    {
        if (fd >= 0)
            fs::closeFd(fd); // also lets go of the lock
    }
};

ZipEditor::ZipEditor() = default;
ZipEditor::~ZipEditor() = default;

int32_t ZipEditor::fail(int32_t code, int sysErrno, std::string text) const
{
    error_.code = code;
    error_.sysErrno = sysErrno;
    error_.text = std::move(text);
    return code;
}

bool ZipEditor::hasChanges() const { return s_ && s_->changed; }

int32_t ZipEditor::open(const std::string &path)
{
    s_.reset();
    error_ = LastError{};
    auto st = std::make_unique<State>();
    st->path = path;
    st->fd = fs::openForReading(path, true);
    if (st->fd < 0)
        return fail(kErrGeneral, errno, "the archive cannot be opened: " + std::string(std::strerror(errno)));
    // Two edits of one archive would each replace it with their own
    // version, and one would be lost: the second is refused.
    if (::flock(st->fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return fail(kErrBusy, 0, "another job is editing this archive");
    if (!fs::statusOf(st->fd, st->st) || !st->st.isRegular())
        return fail(kErrGeneral, errno, "the archive is not a regular file");

    zlib_filefunc64_def io = archiveIo();
    voidpf f = io.zopen64_file(io.opaque, path.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!f)
        return fail(kErrGeneral, errno, "the archive cannot be opened: " + std::string(std::strerror(errno)));
    ArchiveLayout layout;
    std::vector<CentralRecord> records;
    int32_t refused = 0;
    if (!locateEndRecord(io, f, layout))
        refused = kErrGeneral;
    else if (scanCentralDirectory(io, f, layout, records) != 0 || entriesOverlap(records, layout.cdStart - layout.prefix))
        refused = kErrBadArchive;
    io.zclose_file(io.opaque, f);
    if (refused == kErrGeneral)
        return fail(kErrGeneral, 0, "not a ZIP archive");
    if (refused)
        return fail(kErrBadArchive, 0, "the central directory of the archive is damaged");
    if (layout.prefix != 0)
        return fail(kErrBadArchive, 0, "the archive has data before its first entry");

    std::string cd(static_cast<size_t>(layout.cdSize), '\0');
    st->comment.assign(layout.commentLength, '\0');
    auto *cdBytes = reinterpret_cast<unsigned char *>(cd.data());
    if (fs::preadFull(st->fd, cdBytes, cd.size(), layout.cdStart) != static_cast<ssize_t>(cd.size()) ||
        fs::preadFull(st->fd, reinterpret_cast<unsigned char *>(st->comment.data()), st->comment.size(),
                      layout.endPos + 22) != static_cast<ssize_t>(st->comment.size()))
        return fail(kErrBadArchive, errno, "the archive cannot be read");
    st->cdStart = layout.cdStart;
    st->entries.reserve(static_cast<size_t>(layout.entries));
    size_t pos = 0;
    for (uint64_t i = 0; i < layout.entries; ++i) {
        // scanCentralDirectory checked that every record is whole.
        const unsigned char *h = cdBytes + pos;
        const size_t n = le16(h + 28), m = le16(h + 30), k = le16(h + 32);
        Source e;
        e.central.assign(cd, pos, 46 + n + m + k);
        pos += 46 + n + m + k;
        e.flag = le16(h + 8);
        e.method = le16(h + 10);
        Zip64Fields z;
        z.compressedSize = le32(h + 20);
        z.uncompressedSize = le32(h + 24);
        z.localHeaderOffset = le32(h + 42);
        e.marked[0] = z.uncompressedSize == kMax32;
        e.marked[1] = z.compressedSize == kMax32;
        e.marked[2] = z.localHeaderOffset == kMax32;
        const std::string_view extra(e.central.data() + 46 + n, m);
        applyZip64Extra(extra, z);
        e.csize = z.compressedSize;
        e.usize = z.uncompressedSize;
        e.offset = z.localHeaderOffset;
        e.name = decodeStoredName(std::string_view(e.central.data() + 46, n), (e.flag & 0x800) != 0, extra,
                                  le16(h + 4) >> 8);
        EntryInfo when;
        when.dosDate = le16(h + 14) << 16 | le16(h + 12);
        setEntryTime(extra, when);
        e.info.encrypted = (e.flag & 1u) != 0;
        e.info.method = e.method;
        e.info.size = e.usize;
        e.info.packedSize = e.csize;
        e.info.modifiedTime = when.modifiedTime;
        e.info.timeSource = when.timeSource;
        st->entries.push_back(std::move(e));
    }
    s_ = std::move(st);
    return 0;
}

std::vector<EditEntry> ZipEditor::entries() const
{
    std::vector<EditEntry> out;
    if (!s_)
        return out;
    for (const Source &e : s_->entries) {
        if (e.removed)
            continue;
        out.push_back(e.info);
        out.back().name = e.current();
    }
    return out;
}

bool ZipEditor::hasEncryptedEntries() const
{
    if (s_)
        for (const Source &e : s_->entries)
            if (!e.removed && e.info.encrypted)
                return true;
    return false;
}

namespace {

// 0: `name` is free; 1: taken exactly; 2: taken in another case. A folder
// is taken by its own entry and by every entry under it.
template <typename Names> int takenBy(const Names &names, const std::string &name)
{
    const std::string base = stripSlash(name);
    const std::string upper = upperCased(base);
    int found = 0;
    auto check = [&](const std::string &other) {
        const std::string o = stripSlash(other.substr(0, std::min(other.size(), base.size() + 1)));
        if (o.size() != base.size() || (other.size() > base.size() && other[base.size()] != '/'))
            return;
        if (o == base)
            found = 1;
        else if (found == 0 && upperCased(o) == upper)
            found = 2;
    };
    names(check);
    return found;
}

// takenBy over every entry the edited archive will hold.
int takenInEdit(const ZipEditor::State &state, const std::string &name)
{
    return takenBy(
        [&](auto &&check) {
            for (const Source &e : state.entries)
                if (!e.removed)
                    check(e.current());
            for (const EditAddition &a : state.added)
                check(a.storedName);
        },
        name);
}

} // namespace

bool ZipEditor::contains(const std::string &name, bool ignoreCase) const
{
    if (!s_)
        return false;
    const int t = takenInEdit(*s_, name);
    return t == 1 || (ignoreCase && t == 2);
}

int32_t ZipEditor::remove(const std::string &name)
{
    if (!s_)
        return fail(kErrNotOpen, 0, "no archive is open");
    const std::string base = stripSlash(name);
    int32_t count = 0;
    auto under = [&](const std::string &n) {
        return n == name || n == base || (n.size() > base.size() && n.compare(0, base.size(), base) == 0 &&
                                          n[base.size()] == '/');
    };
    for (Source &e : s_->entries)
        if (!e.removed && under(e.current())) {
            e.removed = true;
            ++count;
        }
    const auto before = s_->added.size();
    std::erase_if(s_->added, [&](const EditAddition &a) { return under(a.storedName); });
    count += static_cast<int32_t>(before - s_->added.size());
    if (count == 0)
        return fail(kErrNoSuchEntry, 0, "no entry is named " + name);
    s_->changed = true;
    return count;
}

int32_t ZipEditor::rename(const std::string &from, const std::string &to)
{
    if (!s_)
        return fail(kErrNotOpen, 0, "no archive is open");
    if (!acceptableName(to))
        return fail(kErrBadNewName, 0, "the new name is not a valid name inside an archive: " + to);
    const std::string base = stripSlash(from);
    const std::string target = stripSlash(to);
    std::vector<Source *> moving;
    bool asFolder = false;
    for (Source &e : s_->entries) {
        if (e.removed)
            continue;
        const std::string &n = e.current();
        if (n == base && from.back() != '/') {
            moving.push_back(&e);
        } else if (n.size() > base.size() && n.compare(0, base.size(), base) == 0 && n[base.size()] == '/') {
            moving.push_back(&e);
            asFolder = true;
        }
    }
    if (moving.empty())
        return fail(kErrNoSuchEntry, 0, "no entry is named " + from);
    // A folder cannot go inside itself.
    if (asFolder && target.size() > base.size() && target.compare(0, base.size(), base) == 0 && target[base.size()] == '/')
        return fail(kErrBadNewName, 0, "a folder cannot be moved into itself: " + to);
    // The new names must be free among the entries that stay where they are.
    const int t = takenBy(
        [&](auto &&check) {
            for (const Source &e : s_->entries)
                if (!e.removed && std::find(moving.begin(), moving.end(), &e) == moving.end())
                    check(e.current());
            for (const EditAddition &a : s_->added)
                check(a.storedName);
        },
        target);
    if (t == 1)
        return fail(kErrNameTaken, 0, "an entry is already named " + target);
    if (t == 2)
        return fail(kErrNameCase, 0, "an entry already has that name in another case: " + target);
    for (Source *e : moving) {
        const std::string rest = e->current().substr(base.size());
        e->newName = target + rest;
        if (e->newName == e->name)
            e->newName.clear();
    }
    s_->changed = true;
    return static_cast<int32_t>(moving.size());
}

int32_t ZipEditor::addFolder(const std::string &name)
{
    if (!s_)
        return fail(kErrNotOpen, 0, "no archive is open");
    if (!acceptableName(name))
        return fail(kErrBadNewName, 0, "not a valid name inside an archive: " + name);
    const int t = takenInEdit(*s_, name);
    if (t == 1)
        return fail(kErrNameTaken, 0, "an entry is already named " + stripSlash(name));
    if (t == 2)
        return fail(kErrNameCase, 0, "an entry already has that name in another case: " + stripSlash(name));
    s_->added.push_back({std::string(), stripSlash(name) + "/"});
    s_->changed = true;
    return 0;
}

int32_t ZipEditor::addFile(const std::string &path, const std::string &storedName, bool replace)
{
    if (!s_)
        return fail(kErrNotOpen, 0, "no archive is open");
    if (!acceptableName(storedName) || storedName.back() == '/')
        return fail(kErrBadNewName, 0, "not a valid name inside an archive: " + storedName);
    fs::FileStatus fst;
    if (!fs::statusOfPath(path, fst) || !fst.isRegular())
        return fail(kErrGeneral, errno, "the file cannot be read: " + path);
    bool exact = false;
    std::string other;
    auto scan = [&](const std::string &n) {
        if (n == storedName)
            exact = true;
        else if (other.empty() && stripSlash(n).size() == storedName.size() && upperCased(stripSlash(n)) == upperCased(storedName))
            other = n;
    };
    for (const Source &e : s_->entries)
        if (!e.removed)
            scan(e.current());
    for (const EditAddition &a : s_->added)
        scan(a.storedName);
    if (!other.empty())
        return fail(kErrNameCase, 0, "an entry already has that name in another case: " + other);
    // A folder of that name (entries under it) cannot be replaced by a file.
    if (!exact && takenBy(
                      [&](auto &&check) {
                          for (const Source &e : s_->entries)
                              if (!e.removed)
                                  check(e.current());
                      },
                      storedName) != 0)
        return fail(kErrNameTaken, 0, "a folder is already named " + storedName);
    if (exact && !replace)
        return fail(kErrNameTaken, 0, "an entry is already named " + storedName);
    if (exact) {
        for (Source &e : s_->entries)
            if (!e.removed && e.current() == storedName)
                e.removed = true;
        std::erase_if(s_->added, [&](const EditAddition &a) { return a.storedName == storedName; });
    }
    s_->added.push_back({path, storedName});
    s_->changed = true;
    return 0;
}

namespace {

// Reads the local header of `e` and finds where its bytes end: after the
// data, and after the data descriptor when bit 3 says there is one.
// `limit` is where the next entry (or the central directory) begins.
bool spanOf(int fd, const Source &e, uint64_t limit, Span &out)
{
    unsigned char h[30];
    if (fs::preadFull(fd, h, 30, e.offset) != 30 || le32(h) != kLocalSig)
        return false;
    const uint32_t n = le16(h + 26), m = le16(h + 28);
    out.start = e.offset;
    out.dataStart = e.offset + 30 + n + m;
    out.localHeader.assign(reinterpret_cast<const char *>(h), 30);
    out.localHeader.resize(30 + n + m);
    if (n + m > 0 &&
        fs::preadFull(fd, reinterpret_cast<unsigned char *>(out.localHeader.data() + 30), n + m, e.offset + 30) !=
            static_cast<ssize_t>(n + m))
        return false;
    const uint64_t dataEnd = out.dataStart + e.csize;
    if (dataEnd > limit || dataEnd < out.dataStart)
        return false;
    out.end = dataEnd;
    if ((e.flag & 8u) == 0)
        return true;
    // The descriptor: an optional signature, the CRC-32, and two sizes of 4
    // bytes, or of 8 when the local header has ZIP64 fields. The one that
    // ends where the next entry begins wins; else the one the format says.
    unsigned char sig[4] = {};
    const bool signed_ = fs::preadFull(fd, sig, 4, dataEnd) == 4 && le32(sig) == kDescriptorSig;
    const bool zip64 = hasBlock(out.localHeader.substr(30 + n), 1);
    const uint64_t base = signed_ ? 4 : 0;
    const uint64_t wide = dataEnd + base + 20, narrow = dataEnd + base + 12;
    if (wide == limit)
        out.end = wide;
    else if (narrow == limit)
        out.end = narrow;
    else
        out.end = zip64 ? wide : narrow;
    return out.end <= limit;
}

// The central record of `e` at its new place, with its name changed when
// it was renamed; ZIP64 fields where a value needs them or the original
// record had them.
std::string centralRecordFor(const Source &e, uint64_t offset, const std::string *storedName, bool utf8)
{
    const std::string &c = e.central;
    const size_t n = le16(c, 28), m = le16(c, 30), k = le16(c, 32);
    std::string name = storedName ? *storedName : c.substr(46, n);
    std::string extra = c.substr(46 + n, m);
    extra = storedName ? withoutBlocks(extra, {0x0001, 0x7075}) : withoutBlocks(extra, {0x0001});
    const bool need[3] = {e.marked[0] || e.usize >= kMax32, e.marked[1] || e.csize >= kMax32,
                          e.marked[2] || offset >= kMax32};
    std::string z64;
    if (need[0])
        add64(z64, e.usize);
    if (need[1])
        add64(z64, e.csize);
    if (need[2])
        add64(z64, offset);
    std::string out = c.substr(0, 46);
    if (!z64.empty()) {
        std::string block;
        add16(block, 0x0001);
        add16(block, static_cast<uint32_t>(z64.size()));
        extra = block + z64 + extra;
        if (static_cast<unsigned char>(out[6]) < 45)
            out[6] = static_cast<char>(45);
    }
    if (storedName)
        set16(out, 8, utf8 ? (le16(out, 8) | 0x800u) : (le16(out, 8) & ~0x800u));
    set32(out, 20, need[1] ? kMax32 : e.csize);
    set32(out, 24, need[0] ? kMax32 : e.usize);
    set32(out, 42, need[2] ? kMax32 : offset);
    set16(out, 28, static_cast<uint32_t>(name.size()));
    set16(out, 30, static_cast<uint32_t>(extra.size()));
    out += name;
    out += extra;
    out += c.substr(46 + n + m, k);
    return out;
}

// The local header of a renamed entry: its own, with the new name.
std::string renamedLocalHeader(const std::string &local, const std::string &storedName, bool utf8)
{
    const size_t n = le16(local, 26);
    std::string extra = withoutBlocks(local.substr(30 + n), {0x7075});
    std::string out = local.substr(0, 30);
    set16(out, 6, utf8 ? (le16(out, 6) | 0x800u) : (le16(out, 6) & ~0x800u));
    set16(out, 26, static_cast<uint32_t>(storedName.size()));
    set16(out, 28, static_cast<uint32_t>(extra.size()));
    return out + storedName + extra;
}

} // namespace

int32_t ZipEditor::checkPassword() const
{
    if (!s_)
        return fail(kErrNotOpen, 0, "no archive is open");
    const Source *probe = nullptr;
    for (const Source &e : s_->entries)
        if (!e.removed && (e.flag & 1u) && !(e.flag & 0x40u) && (e.method == 0 || e.method == 8) &&
            e.csize >= kPkwareHeaderSize && (!probe || e.csize < probe->csize))
            probe = &e;
    if (!probe)
        return 0;
    if (password.empty())
        return fail(kErrPasswordNeeded, 0, "the archive's entries are encrypted: a password is needed");
    Span span;
    if (!spanOf(s_->fd, *probe, s_->cdStart, span))
        return fail(kErrBadArchive, 0, "the local header of " + probe->name + " is damaged");
    // The whole entry is read and checked when it is small; a large one is
    // judged by its check byte alone (one chance in 256 of a false pass).
    const uint64_t limit = 16u << 20;
    const size_t len = static_cast<size_t>(probe->csize <= limit ? probe->csize : kPkwareHeaderSize);
    std::vector<unsigned char> data(len);
    if (fs::preadFull(s_->fd, data.data(), len, span.dataStart) != static_cast<ssize_t>(len))
        return fail(kErrBadArchive, errno, "the data of " + probe->name + " cannot be read");
    PkwareKeys keys = pkwareInit(password);
    pkwareDecrypt(keys, data.data(), len);
    const uint32_t crc = le32(probe->central, 16);
    const uint32_t check = (probe->flag & 8u) ? (le16(probe->central, 12) >> 8) : (crc >> 24);
    if (data[kPkwareHeaderSize - 1] != check)
        return fail(kErrWrongPassword, 0, "the password does not open the archive's entries");
    if (len != probe->csize)
        return 0;
    std::vector<unsigned char> plain;
    const unsigned char *bytes = data.data() + kPkwareHeaderSize;
    size_t count = len - kPkwareHeaderSize;
    if (probe->method == 8) {
        plain.resize(static_cast<size_t>(std::min<uint64_t>(probe->usize, limit * 8)) + 1);
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
            return fail(kErrGeneral, 0, "out of memory");
        z.next_in = const_cast<unsigned char *>(bytes);
        z.avail_in = static_cast<uInt>(count);
        z.next_out = plain.data();
        z.avail_out = static_cast<uInt>(plain.size());
        const int r = inflate(&z, Z_FINISH);
        count = plain.size() - z.avail_out;
        inflateEnd(&z);
        if (r != Z_STREAM_END)
            return fail(kErrWrongPassword, 0, "the password does not open the archive's entries");
        bytes = plain.data();
    }
    if (count != probe->usize || crc32Update(0, bytes, count) != crc)
        return fail(kErrWrongPassword, 0, "the password does not open the archive's entries");
    return 0;
}

int32_t ZipEditor::commit()
{
    if (!s_)
        return fail(kErrNotOpen, 0, "no archive is open");
    // Closes the editor on every path: what it described is done or dropped.
    std::unique_ptr<State> st = std::move(s_);
    State &S = *st;

    fs::FileStatus now;
    if (!fs::statusOfPath(S.path, now) || now.inode != S.st.inode || now.device != S.st.device ||
        now.size != S.st.size || now.mtimeSec != S.st.mtimeSec || now.mtimeNsec != S.st.mtimeNsec)
        return fail(kErrChanged, 0, "the archive changed since it was opened");
    if (::access(S.path.c_str(), W_OK) != 0)
        return fail(kErrNotWritable, errno, "the archive cannot be changed: " + std::string(std::strerror(errno)));

    bool addsFiles = false;
    uint64_t total = 0;
    for (const EditAddition &a : S.added) {
        fs::FileStatus f;
        if (a.path.empty())
            continue;
        addsFiles = true;
        if (!fs::statusOfPath(a.path, f) || !f.isRegular())
            return fail(kErrGeneral, errno, "the file cannot be read: " + a.path);
        if (f.device == S.st.device && f.inode == S.st.inode)
            return fail(kErrGeneral, 0, "the archive cannot be added to itself");
        total += f.size;
    }
    if (addsFiles && !password.empty()) {
        s_ = std::move(st);
        const int32_t r = checkPassword();
        st = std::move(s_);
        if (r != 0)
            return r;
    }

    // Every entry kept is checked before anything is written.
    std::vector<size_t> byOffset;
    for (size_t i = 0; i < S.entries.size(); ++i)
        byOffset.push_back(i);
    std::sort(byOffset.begin(), byOffset.end(),
              [&](size_t a, size_t b) { return S.entries[a].offset < S.entries[b].offset; });
    std::vector<Span> spans(S.entries.size());
    for (size_t j = 0; j < byOffset.size(); ++j) {
        const Source &e = S.entries[byOffset[j]];
        const uint64_t limit = j + 1 < byOffset.size() ? S.entries[byOffset[j + 1]].offset : S.cdStart;
        if (e.removed)
            continue;
        if (!spanOf(S.fd, e, limit, spans[byOffset[j]]))
            return fail(kErrBadArchive, 0, "the entry " + e.name + " is damaged");
        total += spans[byOffset[j]].end - spans[byOffset[j]].start;
    }

    const std::string folder = base::parentFolder(S.path);
    const std::string dirName = folder.empty() ? std::string(".") : folder;
    Output out;
    out.fd = fs::openUnnamed(dirName, 0600);
    if (out.fd >= 0) {
        out.unnamed = true;
        out.path = "/proc/self/fd/" + std::to_string(out.fd);
    } else if (errno == EACCES || errno == EROFS || errno == EPERM) {
        return fail(kErrNotWritable, errno, "the archive's folder cannot be written: " + std::string(std::strerror(errno)));
    } else {
        std::string pattern = dirName + "/." + base::lastPathComponent(S.path) + ".zarvon-XXXXXX";
        out.fd = fs::createTemporary(pattern);
        if (out.fd < 0)
            return fail(kErrNotWritable, errno,
                        "the archive's folder cannot be written: " + std::string(std::strerror(errno)));
        out.path = pattern;
    }
    fs::FileStatus outSt;
    fs::statusOf(out.fd, outSt);

    uint64_t done = 0;
    uint64_t at = 0; // where the next byte of the new archive goes
    auto report = [&](const std::string &name) -> bool {
        if (!progress)
            return false;
        const float percent = total ? static_cast<float>(100.0 * static_cast<double>(done) / static_cast<double>(total)) : 100.0f;
        return progress(name, std::min(percent, 100.0f)) == 1;
    };
    auto writeFailed = [&] {
        return fail(kErrWrite, errno, "the archive could not be written: " + std::string(std::strerror(errno)));
    };
    auto put = [&](const std::string &bytes) {
        if (!fs::pwriteAll(out.fd, reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), at))
            return false;
        at += bytes.size();
        return true;
    };
    // Copies `len` bytes of the old archive from `from`: in the kernel where
    // it can, else through a buffer.
    std::vector<unsigned char> buffer;
    auto copy = [&](uint64_t from, uint64_t len) -> int32_t {
        while (len > 0) {
            const size_t piece = static_cast<size_t>(std::min<uint64_t>(len, kCopyPiece));
            loff_t in = static_cast<loff_t>(from), o = static_cast<loff_t>(at);
            ssize_t got = ::copy_file_range(S.fd, &in, out.fd, &o, piece, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                if (got < 0 && errno != ENOSYS && errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP)
                    return writeFailed();
                if (buffer.empty())
                    buffer.resize(kCopyPiece);
                got = fs::preadFull(S.fd, buffer.data(), piece, from);
                if (got != static_cast<ssize_t>(piece))
                    return fail(kErrBadArchive, errno, "the archive could not be read");
                if (!fs::pwriteAll(out.fd, buffer.data(), piece, at))
                    return writeFailed();
            }
            from += static_cast<uint64_t>(got);
            at += static_cast<uint64_t>(got);
            len -= static_cast<uint64_t>(got);
            done += static_cast<uint64_t>(got);
            if (report(S.path))
                return fail(kResultStopped, 0, "stopped");
        }
        return 0;
    };

    std::string cd;
    uint64_t entries = 0;
    // Runs of entries that follow each other in the old archive and are
    // copied unchanged go in one copy.
    uint64_t runFrom = 0, runLen = 0;
    for (size_t i = 0; i < S.entries.size(); ++i) {
        const Source &e = S.entries[i];
        if (e.removed)
            continue;
        const Span &sp = spans[i];
        if (runLen == 0 || runFrom + runLen != sp.start || !e.newName.empty()) {
            if (runLen > 0)
                if (int32_t r = copy(runFrom, runLen))
                    return r;
            runFrom = sp.start;
            runLen = 0;
        }
        const uint64_t offset = at + runLen;
        if (e.newName.empty()) {
            cd += centralRecordFor(e, offset, nullptr, false);
            runLen += sp.end - sp.start;
        } else {
            bool utf8 = false;
            const std::string stored = encodeStoredName(e.newName, utf8);
            if (!put(renamedLocalHeader(sp.localHeader, stored, utf8)))
                return writeFailed();
            done += sp.dataStart - sp.start;
            if (int32_t r = copy(sp.dataStart, sp.end - sp.dataStart))
                return r;
            cd += centralRecordFor(e, offset, &stored, utf8);
            runFrom = sp.end;
        }
        ++entries;
    }
    if (runLen > 0)
        if (int32_t r = copy(runFrom, runLen))
            return r;

    // New folder entries: a header and no data.
    const int64_t nowSec = static_cast<int64_t>(std::time(nullptr));
    for (const EditAddition &a : S.added) {
        if (!a.path.empty())
            continue;
        bool utf8 = false;
        const std::string stored = encodeStoredName(a.storedName, utf8);
        const std::string extra = extendedTimestampExtra(nowSec);
        const uint32_t dos = dosDateOf(nowSec);
        std::string local;
        add32(local, kLocalSig);
        add16(local, 20);
        add16(local, utf8 ? 0x800 : 0);
        add16(local, 0);
        add32(local, dos);
        add32(local, 0);
        add32(local, 0);
        add32(local, 0);
        add16(local, static_cast<uint32_t>(stored.size()));
        add16(local, static_cast<uint32_t>(extra.size()));
        Source e;
        e.central.clear();
        add32(e.central, kCentralSig);
        add16(e.central, (3u << 8) | 30u);
        e.central += local.substr(4, 26);
        add16(e.central, 0); // comment
        add16(e.central, 0); // disk
        add16(e.central, 0); // internal attributes
        add32(e.central, (static_cast<uint64_t>(040755) << 16) | 0x10);
        add32(e.central, 0);
        e.central += stored + extra;
        cd += centralRecordFor(e, at, nullptr, false);
        if (!put(local + stored + extra))
            return writeFailed();
        ++entries;
    }

    // The central directory and the end records.
    const uint64_t cdOffset = at;
    std::string end = cd;
    const bool zip64 = entries >= 0xFFFF || cdOffset >= kMax32 || cd.size() >= kMax32;
    if (zip64) {
        const uint64_t recordAt = cdOffset + cd.size();
        add32(end, 0x06064b50u);
        add64(end, 44);
        add16(end, 45);
        add16(end, 45);
        add32(end, 0);
        add32(end, 0);
        add64(end, entries);
        add64(end, entries);
        add64(end, cd.size());
        add64(end, cdOffset);
        add32(end, 0x07064b50u);
        add32(end, 0);
        add64(end, recordAt);
        add32(end, 1);
    }
    add32(end, 0x06054b50u);
    add16(end, 0);
    add16(end, 0);
    add16(end, zip64 ? 0xFFFF : static_cast<uint32_t>(entries));
    add16(end, zip64 ? 0xFFFF : static_cast<uint32_t>(entries));
    add32(end, zip64 ? kMax32 : cd.size());
    add32(end, zip64 ? kMax32 : cdOffset);
    add16(end, static_cast<uint32_t>(S.comment.size()));
    end += S.comment;
    if (!put(end))
        return writeFailed();

    // New files go in through minizip, appended after the entries kept, with
    // the same headers, compression and encryption as a new archive's.
    if (addsFiles) {
        zipFile zf = openZip(out.path, APPEND_STATUS_ADDINZIP);
        if (!zf)
            return writeFailed();
        const bool encrypt = !password.empty();
        const int m = method == 0 ? 0 : 8;
        std::vector<PlannedFile> plan;
        std::vector<const EditAddition *> files;
        for (const EditAddition &a : S.added)
            if (!a.path.empty()) {
                plan.push_back({a.path, true});
                files.push_back(&a);
            }
        SelfIdentity self{outSt.device, outSt.inode, true, S.st.device, S.st.inode};
        const int workers =
            threads > 0 ? threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
        bool addedZip64 = false;
        int32_t result = 0;
        {
            DeflatePipeline pipe(std::move(plan), workers, m, encrypt, self);
            Unit *u = nullptr;
            for (const EditAddition *a : files) {
                u = pipe.take(u);
                if (!u) {
                    result = fail(kErrGeneral, 0, "the file cannot be read: " + a->path);
                    break;
                }
                const std::shared_ptr<UnitFile> file = u->file;
                if (file->openResult != 0) {
                    result = fail(kErrGeneral, file->openErrno, "the file cannot be read: " + a->path);
                    break;
                }
                uint32_t headerCrc = 0;
                if (encrypt) {
                    headerCrc = u->crc;
                    if (!u->readFailed && u->kind == Unit::Kind::CrcPass)
                        u = pipe.take(u);
                }
                if (!u || u->readFailed) {
                    result = fail(kErrGeneral, EIO, "the file could not be read to its end: " + a->path);
                    break;
                }
                // New entries take the traditional cipher, the one the
                // password was checked against; AES entries are never
                // written here because they would need their method marked.
                EntryWriter entry(zf, Encryption::ZipCrypto);
                bool z64 = false;
                if (entry.open(a->storedName, true, file->st, file->size, m, encrypt ? &password : nullptr, headerCrc,
                               z64) != 0) {
                    entry.abandon();
                    result = writeFailed();
                    break;
                }
                addedZip64 = addedZip64 || z64;
                uint32_t crc = 0;
                uint64_t got = 0;
                for (uint32_t k = 0; k < file->dataUnits && result == 0; ++k) {
                    if (k > 0 && !(u = pipe.take(u))) {
                        result = fail(kErrGeneral, EIO, "the file could not be read: " + a->path);
                        break;
                    }
                    if (u->failed || u->readFailed) {
                        result = fail(kErrGeneral, EIO, "the file could not be read to its end: " + a->path);
                        break;
                    }
                    if (entry.write(const_cast<unsigned char *>(u->bytes()), u->byteCount()) != 0) {
                        result = writeFailed();
                        break;
                    }
                    crc = static_cast<uint32_t>(crc32_combine64(crc, u->crc, static_cast<z_off64_t>(u->read)));
                    got += u->read;
                    done += u->read;
                    if (report(a->path))
                        result = fail(kResultStopped, 0, "stopped");
                }
                if (result != 0) {
                    entry.abandon();
                    break;
                }
                if (encrypt && crc != headerCrc) {
                    entry.abandon();
                    result = fail(kErrGeneral, 0, "the file changed while it was added: " + a->path);
                    break;
                }
                if (entry.finish(got, crc) != 0) {
                    result = writeFailed();
                    break;
                }
                ++entries;
            }
            if (u)
                pipe.release(u);
        }
        const int closed = zipClose(zf, nullptr);
        if (result != 0)
            return result;
        if (closed != ZIP_OK)
            return writeFailed();
        if (!finishAppendedArchive(out.path, entries - files.size(), entries, addedZip64))
            return writeFailed();
    }
    if (report(S.path))
        return fail(kResultStopped, 0, "stopped");

    // The new archive takes the old one's permissions (and owner, where
    // allowed), then its place.
    ::fchmod(out.fd, S.st.mode & 07777);
    struct stat old {};
    if (::fstat(S.fd, &old) == 0 && ::fchown(out.fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(out.fd, static_cast<uid_t>(-1), old.st_gid);
    if (out.unnamed) {
        // A file without a name cannot replace another at once: it is
        // linked under a hidden name for the instant of the rename.
        const std::string linkName = dirName + "/." + base::lastPathComponent(S.path) + ".zarvon-" + base::randomSuffix();
        if (!fs::link(out.path, linkName))
            return writeFailed();
        if (std::rename(linkName.c_str(), S.path.c_str()) != 0) {
            const int err = errno;
            fs::remove(linkName);
            errno = err;
            return writeFailed();
        }
    } else {
        if (std::rename(out.path.c_str(), S.path.c_str()) != 0)
            return writeFailed();
        out.path.clear();
    }
    return 0;
}

int32_t collectAdditions(const std::string &path, const std::string &prefix, std::vector<EditAddition> &out)
{
    namespace sfs = std::filesystem;
    std::error_code ec;
    const sfs::path p(path);
    std::string name = p.filename().string();
    if (name.empty())
        name = p.parent_path().filename().string();
    if (!sfs::is_directory(p, ec)) {
        if (!sfs::exists(p, ec))
            return kErrGeneral;
        out.push_back({path, prefix + name});
        return 0;
    }
    out.push_back({std::string(), prefix + name + "/"});
    std::vector<sfs::directory_entry> items;
    for (sfs::directory_iterator it(p, ec), endIt; !ec && it != endIt; it.increment(ec))
        items.push_back(*it);
    if (ec)
        return kErrGeneral;
    std::sort(items.begin(), items.end(),
              [](const auto &a, const auto &b) { return a.path().filename() < b.path().filename(); });
    for (const auto &item : items) {
        // A link to a folder is not followed: it could lead back up.
        if (item.is_symlink(ec) && item.is_directory(ec))
            continue;
        if (collectAdditions(item.path().string(), prefix + name + "/", out) != 0)
            return kErrGeneral;
    }
    return 0;
}

} // namespace zarvon::engine
