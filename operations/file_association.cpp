#include "operations/file_association.h"

#include <array>
#include <utility>

#include "base/paths.h"

namespace zarvon::operations {

namespace {

constexpr std::array<std::pair<RegistryRoot, const char *>, 5> kRoots{{
    {RegistryRoot::ClassesRoot, "HKEY_CLASSES_ROOT"},
    {RegistryRoot::CurrentUser, "HKEY_CURRENT_USER"},
    {RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE"},
    {RegistryRoot::Users, "HKEY_USERS"},
    {RegistryRoot::CurrentConfig, "HKEY_CURRENT_CONFIG"},
}};

const char *const kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";

bool sameIgnoringCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = char(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

// Deletes a tree that may not be there; true when it is gone afterwards.
bool removeTree(RegistryStore &store, RegistryRoot root, const std::string &subkey)
{
    return store.deleteTree(root, subkey) || !store.keyExists(root, subkey);
}

} // namespace

const char *registryRootName(RegistryRoot root)
{
    for (const auto &[r, name] : kRoots)
        if (r == root)
            return name;
    return "";
}

bool parseRegistryPath(const std::string &keyPath, RegistryRoot &root, std::string &subkey)
{
    std::string path = keyPath;
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    const auto slash = path.find('\\');
    if (slash == std::string::npos || slash + 1 >= path.size())
        return false;
    const std::string rootName = path.substr(0, slash);
    for (const auto &[r, name] : kRoots) {
        if (sameIgnoringCase(rootName, name)) {
            root = r;
            subkey = path.substr(slash + 1);
            return true;
        }
    }
    return false;
}

bool deleteRegistryTree(RegistryStore &store, const std::string &keyPath, const std::string &computer)
{
    if (!computer.empty() && computer != ".")
        return false;
    RegistryRoot root;
    std::string subkey;
    if (!parseRegistryPath(keyPath, root, subkey))
        return false;
    return store.deleteTree(root, subkey);
}

std::string associationCommandText(const std::string &programPath) { return "\"" + programPath + "\" \"%1\""; }

bool associateFileTypeWithVerb(RegistryStore &store, SystemFamily family, const std::string &ext,
                               const std::string &description, const std::string &programPath,
                               const std::string &iconPath, const std::string &exeName, const std::string &verbText,
                               const std::string &verbKey)
{
    const std::string command = associationCommandText(programPath);
    bool ok = true;
    auto write = [&](RegistryRoot root, const std::string &key, const std::string &name, const std::string &text) {
        ok = store.writeText(root, key, name, text) && ok;
    };
    if (family == SystemFamily::Nt) {
        const auto CR = RegistryRoot::ClassesRoot;
        write(CR, "Applications\\" + exeName + "\\shell\\" + verbText + "\\command", "", command);
        if (!description.empty()) {
            write(CR, "." + ext, "", ext + "_auto_file");
            write(CR, ext + "_auto_file", "", description);
            if (!iconPath.empty())
                write(CR, ext + "_auto_file\\DefaultIcon", "", iconPath);
        }
        write(RegistryRoot::CurrentUser, kFileExts + ext, "Application", exeName);
        return ok;
    }
    const auto LM = RegistryRoot::LocalMachine;
    const std::string classes = "Software\\Classes\\";
    // A verb key without a name would be the "shell" key itself.
    const std::string key = verbKey.empty() ? verbText : verbKey;
    write(LM, classes + "." + ext, "", exeName);
    if (!description.empty())
        write(LM, classes + exeName, "", description);
    if (!iconPath.empty())
        write(LM, classes + exeName + "\\DefaultIcon", "", iconPath);
    if (verbText != key)
        write(LM, classes + exeName + "\\shell\\" + key, "", verbText);
    write(LM, classes + exeName + "\\shell\\" + key + "\\command", "", command);
    return ok;
}

bool associateFileType(RegistryStore &store, SystemFamily family, const std::string &ext,
                       const std::string &description, const std::string &programPath, const std::string &iconPath)
{
    return associateFileTypeWithVerb(store, family, ext, description, programPath, iconPath,
                                     base::lastPathComponent(programPath, "/\\"), "open", "open");
}

bool removeFileTypeAssociation(RegistryStore &store, SystemFamily family, const std::string &ext,
                               const std::string &exeName)
{
    bool ok = true;
    if (family == SystemFamily::Nt) {
        ok = removeTree(store, RegistryRoot::ClassesRoot, "Applications\\" + exeName) && ok;
        ok = removeTree(store, RegistryRoot::ClassesRoot, "." + ext) && ok;
        ok = removeTree(store, RegistryRoot::ClassesRoot, ext + "_auto_file") && ok;
        ok = removeTree(store, RegistryRoot::CurrentUser, kFileExts + ext) && ok;
        return ok;
    }
    ok = removeTree(store, RegistryRoot::LocalMachine, "Software\\Classes\\." + ext) && ok;
    ok = removeTree(store, RegistryRoot::LocalMachine, "Software\\Classes\\" + exeName) && ok;
    return ok;
}

std::string integrationVerbText(bool frenchFrance)
{
    return frenchFrance ? "Ouvrir avec Zarvon" : "Explore With Zarvon";
}

bool applyZipBoxToRegistry(RegistryStore &store, SystemFamily family, const ProgramIdentity &program, bool ticked)
{
    if (ticked)
        return associateFileType(store, family, "zip", "Fichiers zip associés à Zarvon", program.programPath,
                                 program.programPath);
    return removeFileTypeAssociation(store, family, "zip", program.programFileName);
}

bool applyIntegrationBoxToRegistry(RegistryStore &store, SystemFamily family, const ProgramIdentity &program,
                                   bool ticked)
{
    if (ticked)
        return associateFileTypeWithVerb(store, family, "zip", "Fichiers zip", program.programPath, program.programPath,
                                         program.programFileName, integrationVerbText(program.frenchFrance), "");
    return removeFileTypeAssociation(store, family, "zip", program.programFileName);
}

ShortcutLink desktopShortcutLink(const ProgramIdentity &program, const std::string &desktopFolder,
                                 const std::string &linkName)
{
    ShortcutLink link;
    link.target = program.programPath;
    std::string folder = desktopFolder;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
        folder += folder.find('\\') != std::string::npos ? '\\' : '/';
    link.linkPath = folder + linkName;
    link.description = "Zarvon est un Archiveur";
    link.workingDirectory = program.programDirectory;
    link.iconPath = program.programPath;
    return link;
}

} // namespace zarvon::operations
