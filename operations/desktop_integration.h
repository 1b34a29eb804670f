// The configuration window's three integration boxes as a Linux desktop
// understands them (freedesktop.org):
//
//   ZipDefault       the program is the user's default application for
//                    application/zip ([Default Applications] of the user's
//                    mimeapps.list, as "xdg-mime default" writes it);
//   OpenWith         the program is among the "open with" choices for
//                    application/zip without being the default ([Added
//                    Associations]), its desktop entry carrying an action
//                    named by the integration verb; the file managers get
//                    its Extract and Compress actions (file_manager_actions.h);
//   DesktopShortcut  an executable launcher "Zarvon.desktop" in the user's
//                    desktop folder.
//
// Only the user's own files are written ($XDG_DATA_HOME, $XDG_CONFIG_HOME and
// the desktop folder), never a system folder. Both associations name the
// desktop entry <program file name>.desktop in $XDG_DATA_HOME/applications,
// written while either association needs it and removed when neither does.
// Qt-free; shows nothing and says nothing: the caller words the failures.
#pragma once

#include <string>
#include <vector>

#include "operations/file_association.h"

namespace zarvon::operations {

enum class IntegrationBox { ZipDefault, OpenWith, DesktopShortcut };

// Why a change could not be made: the file concerned and the system's errno.
struct IntegrationFailure {
    std::string path;
    int sysErrno = 0;
};

// The desktop's side of the integration boxes. Implemented for freedesktop
// desktops by FreedesktopIntegration (and later for the Windows shell over a
// RegistryStore); called by the configuration window's box handlers.
class ShellIntegration {
public:
    virtual ~ShellIntegration() = default;
    // Puts in place (on) or removes (off) what the box stands for. True when
    // it is done; false with `failure` filled when it could not be.
    virtual bool apply(IntegrationBox box, bool on, IntegrationFailure &failure) = 0;
    // True when what the box stands for is in place now, whoever put it there.
    virtual bool isApplied(IntegrationBox box) = 0;
};

// Where a freedesktop desktop keeps the user's own files, each without a
// trailing "/".
struct UserFolders {
    std::string dataHome;   // $XDG_DATA_HOME, else ~/.local/share
    std::string configHome; // $XDG_CONFIG_HOME, else ~/.config
    std::string desktop;    // XDG_DESKTOP_DIR of user-dirs.dirs, else ~/Desktop
};

// The folders from the environment ($HOME, $XDG_DATA_HOME, $XDG_CONFIG_HOME;
// relative values are ignored, as the base-directory rules say) and the
// user's user-dirs.dirs, read the way xdg-user-dir reads it.
UserFolders userFoldersFromEnvironment();

// The value of the line `mime=` in group `group` of a mimeapps.list text,
// split at ";" (empty items dropped); empty when there is none.
std::vector<std::string> mimeappsEntries(const std::string &text, const std::string &group, const std::string &mime);
// The text with that line set to `ids` (each followed by ";"), every other
// line kept as it was. An empty `ids` removes the line; a missing group is
// added at the end.
std::string setMimeappsEntries(const std::string &text, const std::string &group, const std::string &mime,
                               const std::vector<std::string> &ids);

// An argument of a desktop entry's Exec key, quoted when it needs to be and
// escaped for the entry's string syntax.
std::string desktopExecArgument(const std::string &argument);

class FreedesktopIntegration : public ShellIntegration {
public:
    FreedesktopIntegration(ProgramIdentity program, UserFolders folders);

    bool apply(IntegrationBox box, bool on, IntegrationFailure &failure) override;
    bool isApplied(IntegrationBox box) override;

    // "<program file name>.desktop", characters a desktop entry name cannot
    // hold replaced by "-".
    std::string desktopEntryId() const;
    std::string desktopEntryPath() const; // $XDG_DATA_HOME/applications/<id>
    std::string mimeappsPath() const;     // $XDG_CONFIG_HOME/mimeapps.list
    std::string launcherPath() const;     // <desktop>/Zarvon.desktop

private:
    bool setAssociation(const char *group, bool on, IntegrationFailure &failure);
    // Writes or removes the desktop entry to match what mimeapps.list holds.
    bool syncDesktopEntry(IntegrationFailure &failure);
    bool setLauncher(bool on, IntegrationFailure &failure);
    // The file managers' "Extract here", "Extract to..." and "Compress"
    // actions for this program, under $XDG_DATA_HOME; off removes only the
    // files that carry the program's mark.
    bool setFileManagerActions(bool on, IntegrationFailure &failure);
    std::string desktopEntryText(bool withAction) const;
    std::string launcherText() const;

    ProgramIdentity program_;
    UserFolders folders_;
};

} // namespace zarvon::operations
