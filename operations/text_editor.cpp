#include "operations/text_editor.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace zarvon::operations {

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> split(const std::string &text, char separator)
{
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, separator))
        if (!item.empty())
            items.push_back(item);
    return items;
}

bool isExecutableFile(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// What the [Desktop Entry] group of an application's entry says about
// starting it.
struct DesktopEntry {
    bool found = false;
    std::string exec;
    std::string tryExec;
    bool terminal = false;
    bool hidden = false;
};

DesktopEntry readDesktopEntry(const std::string &path)
{
    DesktopEntry entry;
    std::ifstream in(path);
    if (!in)
        return entry;
    entry.found = true;
    std::string line;
    bool inMainGroup = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inMainGroup || equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        std::string value = line.substr(equals + 1);
        while (!value.empty() && value.front() == ' ')
            value.erase(0, 1);
        if (key == "Exec")
            entry.exec = value;
        else if (key == "TryExec")
            entry.tryExec = value;
        else if (key == "Terminal")
            entry.terminal = value == "true";
        else if (key == "Hidden")
            entry.hidden = value == "true";
    }
    return entry;
}

// The entry of desktop id `id` in the first data folder that has one. An id
// such as "kde4-kate.desktop" may also stand for applications/kde4/kate.desktop.
DesktopEntry findDesktopEntry(const std::string &id, const std::vector<std::string> &dataFolders)
{
    if (id.empty() || id.find('/') != std::string::npos)
        return {};
    std::vector<std::string> relative = {id};
    for (std::size_t dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1))
        relative.push_back(id.substr(0, dash) + "/" + id.substr(dash + 1));
    for (const auto &folder : dataFolders)
        for (const auto &name : relative) {
            DesktopEntry entry = readDesktopEntry(folder + "/applications/" + name);
            if (entry.found)
                return entry;
        }
    return {};
}

// Undoes the escapes of a desktop entry's string values (\s, \n, \t, \r, \\).
std::string unescapeString(const std::string &value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        // Not an escape of the string type: left for the Exec quoting rules.
        default:
            out += '\\';
            out += next;
            break;
        }
    }
    return out;
}

// The words of an Exec value: separated by spaces, a double-quoted word
// keeping its spaces, a backslash inside quotes taking the next character.
std::vector<std::string> execWords(const std::string &exec)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"')
                quoted = false;
            else if (c == '\\' && i + 1 < exec.size())
                word += exec[++i];
            else
                word += c;
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

struct Terminal {
    const char *program;
    std::vector<std::string> runOptions; // what precedes the command to run
};

// Debian's alternative first, then the usual terminals, each with the
// options that make it run a command given as separate arguments.
const std::vector<Terminal> &knownTerminals()
{
    static const std::vector<Terminal> terminals = {
        {"x-terminal-emulator", {"-e"}},
        {"gnome-terminal", {"--"}},
        {"konsole", {"-e"}},
        {"xfce4-terminal", {"-x"}},
        {"mate-terminal", {"-x"}},
        {"terminator", {"-x"}},
        {"alacritty", {"-e"}},
        {"kitty", {}},
        {"foot", {}},
        {"urxvt", {"-e"}},
        {"rxvt", {"-e"}},
        {"xterm", {"-e"}},
    };
    return terminals;
}

// The command of a desktop entry with its program found, or empty.
std::vector<std::string> entryCommand(const DesktopEntry &entry, const std::string &file, const std::string &searchPath)
{
    if (!entry.found || entry.hidden || entry.exec.empty())
        return {};
    if (!entry.tryExec.empty() && findProgram(unescapeString(entry.tryExec), searchPath).empty())
        return {};
    std::vector<std::string> command = desktopExecArguments(entry.exec, file);
    if (command.empty())
        return {};
    command[0] = findProgram(command[0], searchPath);
    if (command[0].empty())
        return {};
    return command;
}

std::vector<std::string> inTerminal(std::vector<std::string> terminal, const std::vector<std::string> &command)
{
    terminal.insert(terminal.end(), command.begin(), command.end());
    return terminal;
}

} // namespace

EditorEnvironment editorEnvironmentFromProcess()
{
    EditorEnvironment result;
    result.searchPath = environment("PATH");
    const std::string home = environment("HOME");
    const std::string dataHome = environment("XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome[0] == '/')
        result.dataFolders.push_back(dataHome);
    else if (!home.empty())
        result.dataFolders.push_back(home + "/.local/share");
    std::string dataDirs = environment("XDG_DATA_DIRS");
    if (dataDirs.empty())
        dataDirs = "/usr/local/share:/usr/share";
    for (const auto &folder : split(dataDirs, ':'))
        if (folder[0] == '/')
            result.dataFolders.push_back(folder);
    result.visual = environment("VISUAL");
    result.editor = environment("EDITOR");
    return result;
}

std::string findProgram(const std::string &program, const std::string &searchPath)
{
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return program[0] == '/' && isExecutableFile(program) ? program : std::string();
    for (auto folder : split(searchPath, ':')) {
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        const std::string candidate = folder + "/" + program;
        if (folder[0] == '/' && isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

std::string defaultTextApplication(const EditorEnvironment &environment)
{
    const std::string tool = findProgram("xdg-mime", environment.searchPath);
    if (tool.empty())
        return {};
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> words = {tool, "query", "default", "text/plain"};
    std::vector<char *> argv;
    for (auto &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const bool started = posix_spawn(&child, tool.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    std::string output;
    if (started) {
        char buffer[512];
        ssize_t count = 0;
        while ((count = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0) {
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0)
                break;
            output.append(buffer, static_cast<std::size_t>(count));
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    if (started)
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    if (!started || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    std::string id = output.substr(0, output.find('\n'));
    while (!id.empty() && (id.back() == ' ' || id.back() == '\r' || id.back() == '\t'))
        id.pop_back();
    return id;
}

std::vector<std::string> terminalPrefix(const std::string &searchPath)
{
    for (const auto &terminal : knownTerminals()) {
        const std::string program = findProgram(terminal.program, searchPath);
        if (program.empty())
            continue;
        std::vector<std::string> prefix = {program};
        prefix.insert(prefix.end(), terminal.runOptions.begin(), terminal.runOptions.end());
        return prefix;
    }
    return {};
}

std::vector<std::string> desktopExecArguments(const std::string &exec, const std::string &file)
{
    std::vector<std::string> arguments;
    bool fileGiven = false;
    for (const auto &word : execWords(unescapeString(exec))) {
        std::string argument;
        bool onlyCodes = true;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 == word.size()) {
                argument += word[i];
                onlyCodes = false;
                continue;
            }
            const char code = word[++i];
            if (code == '%') {
                argument += '%';
                onlyCodes = false;
            } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
                argument += file;
                onlyCodes = false;
                fileGiven = true;
            }
        }
        // A word that was only dropped codes (%i, %c, %k) leaves no argument.
        if (!onlyCodes)
            arguments.push_back(argument);
    }
    if (!fileGiven && !arguments.empty())
        arguments.push_back(file);
    return arguments;
}

EditorCommand chooseTextEditor(const std::string &file, const EditorEnvironment &environment)
{
    const std::vector<std::string> terminal = terminalPrefix(environment.searchPath);
    const DesktopEntry entry = findDesktopEntry(defaultTextApplication(environment), environment.dataFolders);
    const std::vector<std::string> application = entryCommand(entry, file, environment.searchPath);
    if (!application.empty() && !entry.terminal)
        return {EditorKind::DesktopDefault, application};
    if (!application.empty() && !terminal.empty())
        return {EditorKind::DesktopDefault, inTerminal(terminal, application)};
    if (terminal.empty())
        return {};
    for (const std::string *variable : {&environment.visual, &environment.editor}) {
        std::vector<std::string> command = split(*variable, ' ');
        if (command.empty() || (command[0] = findProgram(command[0], environment.searchPath)).empty())
            continue;
        command.push_back(file);
        return {EditorKind::TerminalEditor, inTerminal(terminal, command)};
    }
    return {};
}

} // namespace zarvon::operations
