#include "settings/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/case_fold.h"
#include "base/paths.h"
#include "settings/text_encoding.h"

namespace zarvon::settings {

namespace {

long writeLimitForTesting = -1;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::string_view trimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && isBlank(s[n - 1]))
        --n;
    return s.substr(0, n);
}

std::string oneLine(const std::string &text)
{
    std::string out = text;
    for (char &c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

std::string readWholeFile(int fd, bool &ok)
{
    std::string bytes;
    char buffer[65536];
    ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    return bytes;
}

bool writeAll(int fd, std::string_view bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        size_t chunk = bytes.size() - done;
        if (writeLimitForTesting >= 0) {
            if (done >= static_cast<size_t>(writeLimitForTesting)) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min(chunk, static_cast<size_t>(writeLimitForTesting) - done);
        }
        ssize_t n = ::write(fd, bytes.data() + done, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

struct FdCloser {
    int fd = -1;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Whether fd is a plain file: a folder, FIFO or device in the settings file's
// place is never read or written as one.
bool isRegularFile(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// Writes bytes to a temporary file beside target, flushes it and renames it
// over target. On any failure the temporary file is removed and target is
// left as it was.
bool replaceFileAtomically(const std::string &path, std::string_view bytes)
{
    // Follow a symbolic link, so that the link stays and its target changes.
    std::string target = path;
    if (char *resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }

    struct stat old {};
    bool existed = ::stat(target.c_str(), &old) == 0;
    mode_t mode;
    if (existed) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    std::string temporary = target + ".XXXXXX";
    FdCloser file;
    file.fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (file.fd < 0)
        return false;
    // Keeping the mode and owner is a courtesy (an administrator editing a
    // user's file); failing to keep them is not an error.
    (void)::fchmod(file.fd, mode);
    if (existed)
        (void)!::fchown(file.fd, old.st_uid, old.st_gid);
    bool ok = writeAll(file.fd, bytes) && ::fsync(file.fd) == 0;
    int closeResult = ::close(file.fd);
    file.fd = -1;
    ok = ok && closeResult == 0 && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    std::string folder = base::parentFolder(target);
    FdCloser directory;
    directory.fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (directory.fd >= 0)
        ::fsync(directory.fd);
    return true;
}

} // namespace

void setSettingsWriteLimitForTesting(long byteLimit) { writeLimitForTesting = byteLimit; }

SettingsFile::SettingsFile() = default;

SettingsFile::~SettingsFile() { close(); }

void SettingsFile::reset()
{
    nodes_.clear();
    path_.clear();
    selectedGroup_.clear();
    groupExists_ = true;
    lastWritten_ = -1;
    open_ = false;
    readOnly_ = false;
    utf8_ = false;
    modified_ = false;
}

bool SettingsFile::open(const std::string &path)
{
    close();
    // O_NONBLOCK: a FIFO put in the file's place must not hang the program.
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    bool readOnly = false;
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM || errno == ETXTBSY)) {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        readOnly = true;
    }
    if (fd < 0)
        return false;
    FdCloser guard{fd};
    if (!isRegularFile(fd))
        return false;
    bool ok = false;
    std::string bytes = readWholeFile(fd, ok);
    if (!ok)
        return false;
    parse(bytes);
    path_ = path;
    readOnly_ = readOnly;
    return true;
}

bool SettingsFile::create(const std::string &path)
{
    close();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return false;
    FdCloser guard{fd};
    if (!isRegularFile(fd))
        return false;
    reset();
    open_ = true;
    path_ = path;
    modified_ = true; // an empty list replaces the old content at close
    return true;
}

void SettingsFile::openBytes(std::string_view bytes)
{
    close();
    parse(bytes);
}

void SettingsFile::parse(std::string_view bytes)
{
    reset();
    open_ = true;
    std::string text;
    if (bytes.substr(0, Utf8ByteOrderMark.size()) == Utf8ByteOrderMark) {
        utf8_ = true;
        text.assign(bytes.substr(Utf8ByteOrderMark.size()));
    } else {
        text = windows1252ToUtf8(bytes);
    }

    std::string_view rest = text;
    while (!rest.empty()) {
        size_t end = rest.find_first_of("\r\n");
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        line = trimLeft(line);
        if (line.empty())
            continue;
        if (line[0] == ';') {
            line.remove_prefix(1);
            if (!line.empty() && line[0] == ' ')
                line.remove_prefix(1);
            nodes_.push_back({Node::Comment, std::string(line), {}});
        } else if (line[0] == '[') {
            line.remove_prefix(1);
            nodes_.push_back({Node::Group, std::string(line.substr(0, line.find(']'))), {}});
        } else {
            size_t equals = line.find('=');
            if (equals == std::string_view::npos) {
                nodes_.push_back({Node::Key, std::string(trimRight(line)), {}});
            } else {
                nodes_.push_back({Node::Key, std::string(trimRight(line.substr(0, equals))),
                                  std::string(trimLeft(line.substr(equals + 1)))});
            }
        }
    }
}

bool SettingsFile::close()
{
    if (!open_)
        return true;
    bool ok = true;
    if (modified_ && !path_.empty()) {
        if (readOnly_)
            ok = false;
        else
            ok = replaceFileAtomically(path_, serialize());
    }
    reset();
    return ok;
}

std::string SettingsFile::serialize() const
{
    std::string text;
    for (const Node &node : nodes_) {
        switch (node.kind) {
        case Node::Group: text += "[" + node.name + "]"; break;
        case Node::Comment: text += "; " + node.name; break;
        case Node::Key: text += node.name + " = " + node.value; break;
        }
        text += "\r\n";
    }
    if (!utf8_) {
        std::string single;
        // A single-byte file that happened to start with the bytes of the
        // mark would be read back as UTF-8; such a file is written as UTF-8.
        if (utf8ToWindows1252(text, single) && single.substr(0, Utf8ByteOrderMark.size()) != Utf8ByteOrderMark)
            return single;
    }
    // A UTF-8 file, or text Windows-1252 cannot hold: the whole file in
    // UTF-8 with its mark, which the reader recognises.
    return std::string(Utf8ByteOrderMark) + "\r\n" + text;
}

size_t SettingsFile::selectedGroupStart() const
{
    if (selectedGroup_.empty())
        return 0;
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].kind == Node::Group && base::equalsIgnoringLatin1Case(nodes_[i].name, selectedGroup_))
            return i + 1;
    return nodes_.size();
}

size_t SettingsFile::selectedGroupEnd() const
{
    size_t i = selectedGroupStart();
    while (i < nodes_.size() && nodes_[i].kind != Node::Group)
        ++i;
    return i;
}

bool SettingsFile::selectGroup(const std::string &name)
{
    selectedGroup_ = name;
    groupExists_ = true;
    if (name.empty())
        return true;
    for (const Node &node : nodes_)
        if (node.kind == Node::Group && base::equalsIgnoringLatin1Case(node.name, name))
            return true;
    groupExists_ = false;
    return false;
}

long SettingsFile::findKey(const std::string &key) const
{
    if (!open_ || !groupExists_)
        return -1;
    size_t end = selectedGroupEnd();
    for (size_t i = selectedGroupStart(); i < end; ++i)
        if (nodes_[i].kind == Node::Key && base::equalsIgnoringLatin1Case(nodes_[i].name, key))
            return static_cast<long>(i);
    return -1;
}

std::string SettingsFile::readText(const std::string &key, const std::string &defaultText) const
{
    long i = findKey(key);
    if (i < 0)
        return defaultText;
    return std::string(trimRight(trimLeft(nodes_[static_cast<size_t>(i)].value)));
}

int32_t SettingsFile::readInteger(const std::string &key, int32_t defaultValue) const
{
    long i = findKey(key);
    if (i < 0)
        return defaultValue;
    std::string_view value = trimLeft(nodes_[static_cast<size_t>(i)].value);
    size_t pos = 0;
    bool negative = false;
    if (pos < value.size() && (value[pos] == '+' || value[pos] == '-')) {
        negative = value[pos] == '-';
        ++pos;
    }
    long long result = 0;
    for (; pos < value.size() && value[pos] >= '0' && value[pos] <= '9'; ++pos) {
        result = result * 10 + (value[pos] - '0');
        if (result > static_cast<long long>(INT32_MAX) + 1)
            result = static_cast<long long>(INT32_MAX) + 1;
    }
    if (negative)
        result = -result;
    if (result > INT32_MAX)
        result = INT32_MAX;
    return static_cast<int32_t>(result);
}

void SettingsFile::insertNode(size_t index, Node node)
{
    nodes_.insert(nodes_.begin() + static_cast<long>(index), std::move(node));
    lastWritten_ = static_cast<long>(index);
    modified_ = true;
}

void SettingsFile::materialiseSelectedGroup()
{
    if (groupExists_)
        return;
    groupExists_ = true;
    for (const Node &node : nodes_)
        if (node.kind == Node::Group && base::equalsIgnoringLatin1Case(node.name, selectedGroup_))
            return;
    insertNode(nodes_.size(), {Node::Group, oneLine(selectedGroup_), {}});
}

void SettingsFile::writeText(const std::string &key, const std::string &value)
{
    if (!open_)
        return;
    materialiseSelectedGroup();
    // The file keeps neither blanks around a key nor before a value, so
    // neither does the store: what is held is what a re-read gives.
    std::string name(trimRight(trimLeft(oneLine(key))));
    std::string text(trimLeft(oneLine(value)));
    long i = findKey(name);
    if (i >= 0) {
        Node &node = nodes_[static_cast<size_t>(i)];
        if (node.name != name || node.value != text) {
            node.name = name;
            node.value = text;
            modified_ = true;
        }
        lastWritten_ = i;
        return;
    }
    insertNode(selectedGroupEnd(), {Node::Key, name, text});
}

void SettingsFile::writeInteger(const std::string &key, int32_t value) { writeText(key, std::to_string(value)); }

void SettingsFile::writeComment(const std::string &text)
{
    if (!open_)
        return;
    materialiseSelectedGroup();
    size_t at = lastWritten_ >= 0 ? static_cast<size_t>(lastWritten_) + 1 : selectedGroupEnd();
    insertNode(at, {Node::Comment, oneLine(text), {}});
}

bool SettingsFile::isOpen() const { return open_; }
bool SettingsFile::isReadOnly() const { return readOnly_; }
bool SettingsFile::isUtf8() const { return utf8_; }
const std::string &SettingsFile::path() const { return path_; }

} // namespace zarvon::settings
