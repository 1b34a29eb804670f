#include "settings/paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "base/paths.h"
#include "settings/settings_state.h"

namespace zarvon::settings {

namespace {

bool fileExists(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string languagePath(const std::string &directory, const std::string &name)
{
    std::string beside = directory + name;
    if (fileExists(beside))
        return beside;
    // <prefix>/bin/ -> <prefix>/share/zarvon/
    std::string prefix = base::parentFolder(directory.substr(0, directory.empty() ? 0 : directory.size() - 1));
    if (!prefix.empty()) {
        std::string installed = prefix + "share/zarvon/" + name;
        if (fileExists(installed))
            return installed;
    }
    return beside;
}

std::string runningExecutable()
{
    std::string buffer(PATH_MAX, '\0');
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0)
        return "./zarvon";
    buffer.resize(static_cast<size_t>(n));
    return buffer;
}

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

bool directoryWritable(const std::string &directory)
{
    return ::euidaccess(directory.empty() ? "." : directory.c_str(), W_OK | X_OK) == 0;
}

void makeFolders(const std::string &folder)
{
    for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
}

// The executable the process is taken to be: empty for the real one. It
// outlives resetSettingsState, which forgets only what was worked out from it.
std::string chosenExecutable;

const ProgramPaths &paths()
{
    SettingsState &state = settingsState();
    if (!state.programPathsKnown) {
        std::string exe = chosenExecutable.empty() ? runningExecutable() : chosenExecutable;
        std::string directory = base::parentFolder(exe);
        if (directory.empty())
            directory = "./";
        bool writable = directoryWritable(directory);
        state.programPaths = computeProgramPaths(exe, writable, environment("XDG_CONFIG_HOME"), environment("HOME"));
        state.programPathsKnown = true;
        if (!writable)
            makeFolders(base::parentFolder(state.programPaths.settingsPath));
    }
    return state.programPaths;
}

} // namespace

ProgramPaths computeProgramPaths(const std::string &executablePath, bool directoryWritable,
                                 const std::string &configHome, const std::string &home)
{
    ProgramPaths result;
    result.programPath = executablePath;
    result.programDirectory = base::parentFolder(executablePath);
    if (result.programDirectory.empty())
        result.programDirectory = "./";
    result.programFileName = base::lastPathComponent(executablePath);
    if (directoryWritable) {
        result.settingsPath = result.programDirectory + "Zarvon.ini";
    } else {
        // Only an absolute XDG_CONFIG_HOME counts, as the freedesktop
        // base-directory rules say.
        std::string base = !configHome.empty() && configHome[0] == '/' ? configHome : home + "/.config";
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
        result.settingsPath = base + "/Zarvon/Zarvon.ini";
    }
    result.frenchLanguagePath = languagePath(result.programDirectory, "French.lng");
    result.englishLanguagePath = languagePath(result.programDirectory, "English.lng");
    return result;
}

const std::string &programPath() { return paths().programPath; }
const std::string &programDirectory() { return paths().programDirectory; }
const std::string &programFileName() { return paths().programFileName; }
const std::string &settingsPath() { return paths().settingsPath; }
const std::string &frenchLanguagePath() { return paths().frenchLanguagePath; }
const std::string &englishLanguagePath() { return paths().englishLanguagePath; }

void setProgramPath(const std::string &executablePath)
{
    chosenExecutable = executablePath;
    settingsState().programPathsKnown = false;
    paths();
}

} // namespace zarvon::settings
