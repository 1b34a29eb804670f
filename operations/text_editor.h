// Which program opens a text file (the configuration file) for the user to
// edit, decided from the environment of a freedesktop desktop alone. Running
// the program is the caller's: this file shows nothing and starts nothing but
// the desktop's query tool `xdg-mime`. Qt-free.
#pragma once

#include <string>
#include <vector>

namespace zarvon::operations {

// What the choice depends on, each as the environment gives it.
struct EditorEnvironment {
    std::string searchPath;               // $PATH: folders separated by ":"
    std::vector<std::string> dataFolders; // $XDG_DATA_HOME, then each of $XDG_DATA_DIRS
    std::string visual;                   // $VISUAL
    std::string editor;                   // $EDITOR
};

// The environment of this process, with the base-directory defaults
// (~/.local/share; /usr/local/share and /usr/share) where a variable is unset.
EditorEnvironment editorEnvironmentFromProcess();

enum class EditorKind {
    None,           // nothing on this desktop can open the file: the user must be told where it is
    DesktopDefault, // the desktop's application for text/plain (in a terminal when its entry asks for one)
    TerminalEditor, // $VISUAL, else $EDITOR, inside a terminal emulator
};

struct EditorCommand {
    EditorKind kind = EditorKind::None;
    // The program as a full path, then its arguments, the file among them;
    // empty for None.
    std::vector<std::string> arguments;
};

// The full path of `program` (a bare name looked up in `searchPath`, or a
// path with "/"), when it names an executable file; empty otherwise.
std::string findProgram(const std::string &program, const std::string &searchPath);

// The desktop entry id `xdg-mime query default text/plain` prints, the
// xdg-mime found in `environment.searchPath` run and waited for; empty when
// the tool is missing, fails or names none.
std::string defaultTextApplication(const EditorEnvironment &environment);

// A terminal emulator to run a text-mode program in: x-terminal-emulator,
// else the first of the usual terminals found in the search path. The
// program, then the arguments that make it run the command that follows
// them; empty when there is none.
std::vector<std::string> terminalPrefix(const std::string &searchPath);

// The arguments of a desktop entry's Exec value, with its quoting and escapes
// undone and its field codes replaced: %f %F %u %U by `file`, %% by "%", the
// others dropped. `file` is appended when no field code takes it.
std::vector<std::string> desktopExecArguments(const std::string &exec, const std::string &file);

// The command that opens `file` for editing, in this order:
//  1. the application defaultTextApplication names, when its desktop entry is
//     in applications/ of a data folder, is not hidden, and its program (and
//     TryExec) is found; an entry with Terminal=true only where a terminal is;
//  2. $VISUAL, else $EDITOR, whose first word is found, in a terminal;
//  3. None.
EditorCommand chooseTextEditor(const std::string &file, const EditorEnvironment &environment);

} // namespace zarvon::operations
