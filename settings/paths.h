// Program paths: where the executable lives and where its configuration and
// language files are. Computed on first use from the running executable and
// kept until resetSettingsState (start-up, each test), which makes the next
// call look again at the environment and the language files; tests point them
// at a temporary program folder with setProgramPath, which a reset keeps.
//
// Layout beside the executable (the portable copy, the normal case):
//   <dir>/zarvon, <dir>/Zarvon.ini, <dir>/French.lng, <dir>/English.lng
// An installed copy whose folder the user cannot write to keeps its
// configuration in $XDG_CONFIG_HOME/Zarvon/Zarvon.ini (~/.config when the
// variable is unset or not absolute), and finds its language files in
// <prefix>/share/zarvon/ when they are not beside the executable
// (<prefix> being the parent of the executable's folder, as in
// <prefix>/bin/zarvon).
//
// Every function here is safe to call before anything else: the first call
// computes the paths from /proc/self/exe unless setProgramPath came first.
// User-interface thread only.
#pragma once

#include <string>

namespace zarvon::settings {

// Full path of the running executable, e.g. "/opt/zarvon/zarvon".
const std::string &programPath();

// Folder of the executable, always with its trailing "/".
const std::string &programDirectory();

// File part of programPath, e.g. "zarvon". Also names the single-instance lock.
const std::string &programFileName();

// Full path of "Zarvon.ini": programDirectory() + "Zarvon.ini", or the
// per-user configuration folder for a read-only installed copy (see above).
// The file itself may not exist; nothing here creates it. For the per-user
// location the folder "Zarvon" is created when missing, so that the first
// write can succeed.
const std::string &settingsPath();

// Full paths of "French.lng" and "English.lng": beside the executable, or in
// <prefix>/share/zarvon/ when the file is not beside the executable but is
// there. When neither exists the path beside the executable is given.
const std::string &frenchLanguagePath();
const std::string &englishLanguagePath();

// Re-computes every path above as if the program ran from executablePath
// (which need not exist; its folder should). Tests call this with
// "<temporary folder>/zarvon" so that the program reads and writes only that
// folder. Passing an empty string returns to the real executable.
void setProgramPath(const std::string &executablePath);

// The rule above without looking at the environment, for tests of the
// installed-copy case. directoryWritable says whether the executable's folder
// accepts new files; configHome is $XDG_CONFIG_HOME (may be empty) and home
// is $HOME. Only the language files' existence is looked up on disk; nothing
// is created.
struct ProgramPaths {
    std::string programPath;
    std::string programDirectory;
    std::string programFileName;
    std::string settingsPath;
    std::string frenchLanguagePath;
    std::string englishLanguagePath;
};
ProgramPaths computeProgramPaths(const std::string &executablePath, bool directoryWritable,
                                 const std::string &configHome, const std::string &home);

} // namespace zarvon::settings
