// Running the outside tools the tests compare against (zip, unzip, 7zz,
// bsdtar, rar, unrar, python3) through the shell.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace zarvon::testing {

struct CommandResult {
    int status = -1;    // the exit status; -1 when the command did not run or was killed
    std::string output; // standard output and standard error, interleaved
};

inline CommandResult runCommand(const std::string &command)
{
    CommandResult result;
    FILE *pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline bool haveTool(const std::string &tool) { return runCommand("command -v " + tool + " >/dev/null").status == 0; }

// text as one shell word, whatever quotes it holds. (The string overload is
// there so that std::quoted, found through the argument, does not win.)
inline std::string quoted(const std::string &text)
{
    std::string word = "'";
    for (char c : text)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}
inline std::string quoted(const std::filesystem::path &path) { return quoted(path.string()); }
inline std::string quoted(const char *text) { return quoted(std::string(text)); }

} // namespace zarvon::testing
