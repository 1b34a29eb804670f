#include "operations/desktop_integration.h"
#include "operations/file_manager_actions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char **environ;

namespace zarvon::operations {

namespace fs = std::filesystem;

namespace {

const char *const kZipMime = "application/zip";
const char *const kDefaultGroup = "Default Applications";
const char *const kAddedGroup = "Added Associations";
const char *const kRemovedGroup = "Removed Associations";
// Marks the files this program wrote, so that it never removes one it did not.
const char *const kGeneratedMark = "X-Zarvon-Generated=true";

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string baseFolder(const char *variable, const std::string &home, const char *fallback)
{
    const std::string value = environment(variable);
    return withoutTrailingSlash(!value.empty() && value[0] == '/' ? value : home + fallback);
}

// XDG_DESKTOP_DIR="$HOME/Bureau" from user-dirs.dirs; only "$HOME/..." and
// absolute values are meaningful there.
std::string desktopFromUserDirs(const std::string &configHome, const std::string &home)
{
    std::ifstream in(configHome + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DESKTOP_DIR=";
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            return withoutTrailingSlash(value);
    }
    return {};
}

// Reads a whole file. A file that is not there reads as empty text (with
// `exists` false); anything else that cannot be read, a folder of that name
// included, is a failure.
bool readWholeFile(const std::string &path, std::string &text, bool &exists, IntegrationFailure &failure)
{
    text.clear();
    exists = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        failure = {path, errno};
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        failure = {path, S_ISDIR(info.st_mode) ? EISDIR : errno};
        ::close(fd);
        return false;
    }
    exists = true;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            failure = {path, errno};
            ::close(fd);
            return false;
        }
        text.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return true;
}

bool makeFolders(const std::string &folder, IntegrationFailure &failure)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        failure = {folder, error.value()};
        return false;
    }
    return true;
}

// Replaces `path` by `text` in one step (a temporary file beside it renamed
// over it), so that a failure never leaves the user's file half written.
bool writeFileAtomically(const std::string &path, const std::string &text, mode_t mode, IntegrationFailure &failure)
{
    if (!makeFolders(fs::path(path).parent_path().string(), failure))
        return false;
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        failure = {path, errno};
        return false;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        written += std::size_t(n);
    }
    const bool complete = written == text.size() && ::fchmod(fd, mode) == 0;
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!complete || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        failure = {path, complete && closed ? errno : savedErrno};
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// Removes a file; one that is not there counts as removed.
bool removeFile(const std::string &path, IntegrationFailure &failure)
{
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return true;
    failure = {path, errno};
    return false;
}

// Runs a helper of the desktop, when it is installed, and waits for it. Its
// result does not matter: it only refreshes a cache the desktop can rebuild.
void runIfInstalled(const std::vector<std::string> &command)
{
    std::vector<char *> argv;
    for (const auto &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

std::vector<std::string> splitList(const std::string &value)
{
    std::vector<std::string> items;
    std::stringstream in(value);
    std::string item;
    while (std::getline(in, item, ';'))
        if (!item.empty())
            items.push_back(item);
    return items;
}

bool contains(const std::vector<std::string> &items, const std::string &item)
{
    for (const auto &i : items)
        if (i == item)
            return true;
    return false;
}

std::vector<std::string> without(std::vector<std::string> items, const std::string &item)
{
    std::erase(items, item);
    return items;
}

// The text split into lines, the line ends dropped.
std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> all;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        all.push_back(line);
    }
    return all;
}

bool isGroupLine(const std::string &line) { return !line.empty() && line.front() == '['; }

// The key of a "key=value" line (blanks around it dropped), "" for others.
std::string keyOf(const std::string &line)
{
    if (line.empty() || line[0] == '#' || isGroupLine(line))
        return {};
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return {};
    std::string key = line.substr(0, eq);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
        key.pop_back();
    return key;
}

std::string valueOf(const std::string &line)
{
    std::string value = line.substr(line.find('=') + 1);
    const auto first = value.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : value.substr(first);
}

std::string desktopStringValue(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

UserFolders userFoldersFromEnvironment()
{
    const std::string home = withoutTrailingSlash(environment("HOME"));
    UserFolders folders;
    folders.dataHome = baseFolder("XDG_DATA_HOME", home, "/.local/share");
    folders.configHome = baseFolder("XDG_CONFIG_HOME", home, "/.config");
    folders.desktop = desktopFromUserDirs(folders.configHome, home);
    if (folders.desktop.empty())
        folders.desktop = home + "/Desktop";
    return folders;
}

std::vector<std::string> mimeappsEntries(const std::string &text, const std::string &group, const std::string &mime)
{
    bool inGroup = false;
    for (const auto &line : lines(text)) {
        if (isGroupLine(line))
            inGroup = line == "[" + group + "]";
        else if (inGroup && keyOf(line) == mime)
            return splitList(valueOf(line));
    }
    return {};
}

std::string setMimeappsEntries(const std::string &text, const std::string &group, const std::string &mime,
                               const std::vector<std::string> &ids)
{
    std::string value;
    for (const auto &id : ids)
        value += id + ";";
    const std::string newLine = mime + "=" + value;
    std::vector<std::string> all = lines(text);
    bool inGroup = false, groupFound = false, done = false;
    std::size_t lastInGroup = 0; // index after which a new key goes
    for (std::size_t i = 0; i < all.size() && !done; ++i) {
        if (isGroupLine(all[i])) {
            if (inGroup)
                break;
            inGroup = all[i] == "[" + group + "]";
            if (inGroup) {
                groupFound = true;
                lastInGroup = i;
            }
        } else if (inGroup) {
            if (keyOf(all[i]) == mime) {
                if (ids.empty())
                    all.erase(all.begin() + std::ptrdiff_t(i));
                else
                    all[i] = newLine;
                done = true;
            } else if (!all[i].empty()) {
                lastInGroup = i;
            }
        }
    }
    if (!done && !ids.empty()) {
        if (groupFound) {
            all.insert(all.begin() + std::ptrdiff_t(lastInGroup) + 1, newLine);
        } else {
            if (!all.empty() && !all.back().empty())
                all.push_back("");
            all.push_back("[" + group + "]");
            all.push_back(newLine);
        }
    }
    std::string out;
    for (const auto &line : all)
        out += line + "\n";
    return out;
}

std::string desktopExecArgument(const std::string &argument)
{
    static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string quoted;
    if (argument.find_first_of(reserved) == std::string::npos && !argument.empty()) {
        quoted = argument;
    } else {
        quoted = "\"";
        for (char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        quoted += "\"";
    }
    // A literal "%" would be taken for a field code.
    std::string escaped;
    for (char c : quoted)
        escaped += c == '%' ? std::string("%%") : std::string(1, c);
    return desktopStringValue(escaped);
}

FreedesktopIntegration::FreedesktopIntegration(ProgramIdentity program, UserFolders folders)
    : program_(std::move(program)), folders_(std::move(folders))
{}

std::string FreedesktopIntegration::desktopEntryId() const
{
    std::string name = program_.programFileName.empty() ? std::string("zarvon") : program_.programFileName;
    for (char &c : name) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                             c == '_' || c == '.';
        if (!allowed)
            c = '-';
    }
    return name + ".desktop";
}

std::string FreedesktopIntegration::desktopEntryPath() const
{
    return folders_.dataHome + "/applications/" + desktopEntryId();
}

std::string FreedesktopIntegration::mimeappsPath() const { return folders_.configHome + "/mimeapps.list"; }

std::string FreedesktopIntegration::launcherPath() const { return folders_.desktop + "/Zarvon.desktop"; }

std::string FreedesktopIntegration::desktopEntryText(bool withAction) const
{
    const std::string exec = "Exec=" + desktopExecArgument(program_.programPath) + " %f\n";
    std::string text = "[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=Zarvon\n"
                       // Both languages: the desktop shows the one of its
                       // own session, whatever Zarvon's interface uses.
                       "Comment=Zip files associated with Zarvon\n"
                       "Comment[fr]=" +
                       desktopStringValue("Fichiers zip associés à Zarvon") + "\n" + exec +
                       "Icon=zarvon\n"
                       "Terminal=false\n"
                       "MimeType=application/zip;\n"
                       // Only the association uses it: an installed copy's
                       // own entry is the one in the menus.
                       "NoDisplay=true\n";
    if (withAction)
        text += "Actions=explore;\n";
    text += std::string(kGeneratedMark) + "\n";
    if (withAction)
        text += "\n[Desktop Action explore]\n"
                "Name=" +
                desktopStringValue(integrationVerbText(program_.frenchFrance)) + "\n" + exec;
    return text;
}

std::string FreedesktopIntegration::launcherText() const
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Zarvon\n"
           "Comment=Zarvon is an archiver\n"
           "Comment[fr]=" +
           desktopStringValue("Zarvon est un Archiveur") +
           "\n"
           "Exec=" +
           desktopExecArgument(program_.programPath) +
           "\n"
           "Path=" +
           desktopStringValue(program_.programDirectory) +
           "\n"
           "Icon=zarvon\n"
           "Terminal=false\n" +
           std::string(kGeneratedMark) + "\n";
}

bool FreedesktopIntegration::syncDesktopEntry(IntegrationFailure &failure)
{
    bool exists = false;
    std::string mimeapps;
    if (!readWholeFile(mimeappsPath(), mimeapps, exists, failure))
        return false;
    const std::string id = desktopEntryId();
    const bool isDefault = contains(mimeappsEntries(mimeapps, kDefaultGroup, kZipMime), id);
    const bool isAdded = contains(mimeappsEntries(mimeapps, kAddedGroup, kZipMime), id);
    bool ok;
    if (isDefault || isAdded) {
        ok = writeFileAtomically(desktopEntryPath(), desktopEntryText(isAdded), 0644, failure);
    } else {
        bool entryExists = false;
        std::string entry;
        IntegrationFailure unreadable;
        // An entry that cannot be read is not one this program wrote.
        ok = !readWholeFile(desktopEntryPath(), entry, entryExists, unreadable) || !entryExists ||
             entry.find(kGeneratedMark) == std::string::npos || removeFile(desktopEntryPath(), failure);
    }
    runIfInstalled({"update-desktop-database", "-q", folders_.dataHome + "/applications"});
    return ok;
}

bool FreedesktopIntegration::setAssociation(const char *group, bool on, IntegrationFailure &failure)
{
    bool exists = false;
    std::string text;
    if (!readWholeFile(mimeappsPath(), text, exists, failure))
        return false;
    const std::string id = desktopEntryId();
    if (on) {
        const bool added = std::string(group) == kAddedGroup;
        // The entry comes first, so that the association never names a
        // desktop entry that is not there.
        const bool withAction = added || contains(mimeappsEntries(text, kAddedGroup, kZipMime), id);
        if (!writeFileAtomically(desktopEntryPath(), desktopEntryText(withAction), 0644, failure))
            return false;
        // The default goes first (the desktop takes the first that works);
        // a choice goes last. What the user had there stays.
        std::vector<std::string> ids = without(mimeappsEntries(text, group, kZipMime), id);
        if (added)
            ids.push_back(id);
        else
            ids.insert(ids.begin(), id);
        text = setMimeappsEntries(text, group, kZipMime, ids);
        // The user may have taken the program out of the choices before.
        text = setMimeappsEntries(text, kRemovedGroup, kZipMime,
                                  without(mimeappsEntries(text, kRemovedGroup, kZipMime), id));
    } else {
        const auto ids = mimeappsEntries(text, group, kZipMime);
        if (!contains(ids, id))
            return syncDesktopEntry(failure);
        text = setMimeappsEntries(text, group, kZipMime, without(ids, id));
    }
    if (!writeFileAtomically(mimeappsPath(), text, 0644, failure))
        return false;
    return syncDesktopEntry(failure);
}

bool FreedesktopIntegration::setLauncher(bool on, IntegrationFailure &failure)
{
    if (on)
        return writeFileAtomically(launcherPath(), launcherText(), 0755, failure);
    return removeFile(launcherPath(), failure);
}

bool FreedesktopIntegration::setFileManagerActions(bool on, IntegrationFailure &failure)
{
    bool ok = true;
    for (const ActionFile &file : fileManagerActionFiles(desktopExecArgument(program_.programPath), kGeneratedMark)) {
        const std::string path = folders_.dataHome + "/" + file.relativePath;
        if (on) {
            const std::string folder = path.substr(0, path.rfind('/'));
            ok = makeFolders(folder, failure) &&
                 writeFileAtomically(path, file.text, file.executable ? 0755 : 0644, failure) && ok;
            continue;
        }
        bool exists = false;
        std::string text;
        IntegrationFailure unreadable;
        // A file of that name that the program did not write is the user's.
        if (readWholeFile(path, text, exists, unreadable) && exists &&
            text.find(kGeneratedMark) != std::string::npos)
            ok = removeFile(path, failure) && ok;
    }
    return ok;
}

bool FreedesktopIntegration::apply(IntegrationBox box, bool on, IntegrationFailure &failure)
{
    switch (box) {
    case IntegrationBox::ZipDefault: return setAssociation(kDefaultGroup, on, failure);
    case IntegrationBox::OpenWith: {
        const bool associated = setAssociation(kAddedGroup, on, failure);
        return setFileManagerActions(on, failure) && associated;
    }
    case IntegrationBox::DesktopShortcut: return setLauncher(on, failure);
    }
    return false;
}

bool FreedesktopIntegration::isApplied(IntegrationBox box)
{
    if (box == IntegrationBox::DesktopShortcut)
        return ::access(launcherPath().c_str(), F_OK) == 0;
    bool exists = false;
    std::string text;
    IntegrationFailure unreadable;
    if (!readWholeFile(mimeappsPath(), text, exists, unreadable) || ::access(desktopEntryPath().c_str(), R_OK) != 0)
        return false;
    if (box == IntegrationBox::ZipDefault) {
        const auto ids = mimeappsEntries(text, kDefaultGroup, kZipMime);
        return !ids.empty() && ids.front() == desktopEntryId();
    }
    return contains(mimeappsEntries(text, kAddedGroup, kZipMime), desktopEntryId());
}

} // namespace zarvon::operations
