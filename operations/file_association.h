// The ZIP file association and the desktop shortcut as the Windows registry
// and shell keep them, written through an abstract key-value store.
//
// The store says where the keys go; these functions say which keys an
// association is made of, so the same rules serve the real registry and the
// in-memory RecordingRegistryStore the tests read back. Nothing here touches
// the system by itself.
//
// Key paths inside a root use "\" between key names, as the registry does.
// Key names compare without regard to case, also as the registry does.
#pragma once

#include <string>

namespace zarvon::operations {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// "HKEY_CLASSES_ROOT" ... "HKEY_CURRENT_CONFIG".
const char *registryRootName(RegistryRoot root);

// The hierarchical store of keys and text values. Implemented by the
// platform's registry binding and by RecordingRegistryStore; called by the
// association functions below. valueName "" is the key's unnamed (default)
// value.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;
    // Creates `subkey` and any missing parents, then sets the text value.
    // False when the key cannot be created or the value cannot be set.
    virtual bool writeText(RegistryRoot root, const std::string &subkey, const std::string &valueName,
                           const std::string &text) = 0;
    // Reads a text value into `text`; false when the key or value is absent.
    virtual bool readText(RegistryRoot root, const std::string &subkey, const std::string &valueName,
                          std::string &text) = 0;
    // True when the key exists.
    virtual bool keyExists(RegistryRoot root, const std::string &subkey) = 0;
    // Deletes the key with every key below it. False when it did not exist
    // or could not be deleted.
    virtual bool deleteTree(RegistryRoot root, const std::string &subkey) = 0;
};

// Which family of Windows the keys are laid out for: the NT family keeps the
// association under HKEY_CLASSES_ROOT and the user's FileExts key; Windows 95,
// 98 and Me keep it under HKEY_LOCAL_MACHINE\Software\Classes.
enum class SystemFamily { Nt, Legacy };

// Splits "HKEY_CURRENT_USER\Software\X\" into its root and "Software\X" (a
// trailing "\" is dropped). False when the path does not start with a root
// name followed by "\" and a key.
bool parseRegistryPath(const std::string &keyPath, RegistryRoot &root, std::string &subkey);

// Deletes the tree at a full key path. `computer` is "." or "" for this
// machine; another machine's registry is never reached (false). True when
// the key existed and was deleted.
bool deleteRegistryTree(RegistryStore &store, const std::string &keyPath, const std::string &computer = ".");

// The command an association runs: "<programPath>" "%1", quotes included.
std::string associationCommandText(const std::string &programPath);

// Writes the association of extension `ext` (no dot) with the program. On
// the NT family the verb's key is named by verbText; on the older family by
// verbKey, labelled with verbText (an empty verbKey falls back to verbText
// there, so that no key has an empty name). description and iconPath may be
// empty: their keys are then not written. True when every value was written;
// a failed write does not stop the following ones.
bool associateFileTypeWithVerb(RegistryStore &store, SystemFamily family, const std::string &ext,
                               const std::string &description, const std::string &programPath,
                               const std::string &iconPath, const std::string &exeName, const std::string &verbText,
                               const std::string &verbKey);

// associateFileTypeWithVerb with the file part of programPath as exeName and
// the verb "open".
bool associateFileType(RegistryStore &store, SystemFamily family, const std::string &ext,
                       const std::string &description, const std::string &programPath, const std::string &iconPath);

// Deletes the trees an association of `ext` with exeName is made of. True
// when nothing of them is left afterwards (trees that were not there count
// as removed).
bool removeFileTypeAssociation(RegistryStore &store, SystemFamily family, const std::string &ext,
                               const std::string &exeName);

// The three boxes of the configuration window's integration frame, over the
// registry. `frenchFrance` says the system language is French as spoken in
// France, which names the integration verb. True when the store took every
// change.
struct ProgramIdentity {
    std::string programPath;      // full path of the executable
    std::string programDirectory; // its folder, with the trailing separator
    std::string programFileName;  // file part of programPath
    bool frenchFrance = false;
};

// The verb that offers the program in the "open with" choices:
// "Ouvrir avec Zarvon" on a French (France) system, else "Explore With Zarvon".
std::string integrationVerbText(bool frenchFrance);

bool applyZipBoxToRegistry(RegistryStore &store, SystemFamily family, const ProgramIdentity &program, bool ticked);
// Clearing removes the association under the program's own file name: a copy
// renamed on disk leaves nothing of its own behind.
bool applyIntegrationBoxToRegistry(RegistryStore &store, SystemFamily family, const ProgramIdentity &program,
                                   bool ticked);

// The desktop shortcut's fields, as the shell's link object takes them.
struct ShortcutLink {
    std::string target;
    std::string linkPath;
    std::string arguments;
    std::string description;
    std::string workingDirectory;
    int showCommand = 1; // a normal window
    int hotkey = 0;
    std::string iconPath;
    int iconIndex = 0;
};

// The shortcut the desktop box puts in `desktopFolder` (with or without its
// trailing separator): "Zarvon.lnk" to the program, described as
// "Zarvon est un Archiveur", starting in the program's folder.
ShortcutLink desktopShortcutLink(const ProgramIdentity &program, const std::string &desktopFolder,
                                 const std::string &linkName = "Zarvon.lnk");

} // namespace zarvon::operations
