#include "operations/file_manager_actions.h"

namespace zarvon::operations {

namespace {

// What the batch modes can open; a format the program cannot read is said
// so by the batch itself.
constexpr const char *kArchiveTypes =
    "application/zip;application/x-zip-compressed;application/vnd.rar;application/x-rar;"
    "application/x-7z-compressed;application/x-tar;application/x-compressed-tar;"
    "application/x-bzip-compressed-tar;application/x-xz-compressed-tar;application/x-zstd-compressed-tar;";

struct Action {
    const char *id;     // the action's own name in the files
    const char *option; // the batch mode it starts
    const char *name;
    const char *nameFr;
    bool onArchives; // false: on any file or folder
};

constexpr Action kActions[] = {
    {"extract-here", "--extract-here", "Extract here", "Extraire ici", true},
    {"extract-to", "--extract", "Extract to...", "Extraire vers...", true},
    {"compress", "--compress", "Compress...", "Compresser...", false},
};

std::string nameLines(const Action &action)
{
    return std::string("Name=") + action.name + "\nName[fr]=" + action.nameFr + "\n";
}

std::string execLine(const std::string &command, const Action &action)
{
    return "Exec=" + command + " " + action.option + " %F\n";
}

std::string withExtra(const std::string &extraLine) { return extraLine.empty() ? std::string() : extraLine + "\n"; }

// Dolphin: one service menu for archives, one for anything.
ActionFile dolphinMenu(const std::string &command, const std::string &extraLine, bool archives)
{
    std::string text = "[Desktop Entry]\nType=Service\n";
    text += archives ? std::string("MimeType=") + kArchiveTypes + "\n" : "MimeType=all/allfiles;inode/directory;\n";
    text += "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\nActions=";
    for (const Action &action : kActions)
        if (action.onArchives == archives)
            text += std::string(action.id) + ";";
    text += "\n" + withExtra(extraLine);
    for (const Action &action : kActions)
        if (action.onArchives == archives)
            text += std::string("\n[Desktop Action ") + action.id + "]\n" + nameLines(action) + "Icon=zarvon\n" +
                    execLine(command, action);
    return {std::string("kio/servicemenus/zarvon-") + (archives ? "extract" : "compress") + ".desktop", text, true};
}

ActionFile nemoAction(const std::string &command, const std::string &extraLine, const Action &action)
{
    std::string text = "[Nemo Action]\nActive=true\n" + nameLines(action) + "Comment=" + action.name + "\n" +
                       "Comment[fr]=" + action.nameFr + "\n" + execLine(command, action) +
                       "Icon-Name=zarvon\nSelection=notnone\n";
    text += action.onArchives ? std::string("Mimetypes=") + kArchiveTypes + "\n" : "Extensions=any;\n";
    text += withExtra(extraLine);
    return {std::string("nemo/actions/zarvon-") + action.id + ".nemo_action", text, false};
}

ActionFile freedesktopAction(const std::string &command, const std::string &extraLine, const Action &action)
{
    std::string text = "[Desktop Entry]\nType=Action\n" + nameLines(action) + "Tooltip=" + action.name + "\n" +
                       "Tooltip[fr]=" + action.nameFr + "\nIcon=zarvon\nProfiles=zarvon;\n" + withExtra(extraLine) +
                       "\n[X-Action-Profile zarvon]\n";
    text += action.onArchives ? std::string("MimeTypes=") + kArchiveTypes + "\n" : "MimeTypes=all/all;\n";
    text += execLine(command, action);
    return {std::string("file-manager/actions/zarvon-") + action.id + ".desktop", text, false};
}

} // namespace

std::vector<ActionFile> fileManagerActionFiles(const std::string &command, const std::string &extraLine)
{
    std::vector<ActionFile> files;
    files.push_back(dolphinMenu(command, extraLine, true));
    files.push_back(dolphinMenu(command, extraLine, false));
    for (const Action &action : kActions)
        files.push_back(nemoAction(command, extraLine, action));
    for (const Action &action : kActions)
        files.push_back(freedesktopAction(command, extraLine, action));
    return files;
}

} // namespace zarvon::operations
