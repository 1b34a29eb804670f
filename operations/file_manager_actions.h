// The actions file managers offer on a right click: "Extract here",
// "Extract to..." and "Compress", which start the desktop program in its
// batch modes (operations/batch.h). One set of files per file manager:
// Dolphin's service menus (kio/servicemenus), Nemo's actions (nemo/actions)
// and the freedesktop file-manager actions that Caja, PCManFM and
// PCManFM-Qt read (file-manager/actions). Both languages in every file.
//
// The same texts are installed with the program (data/actions/, where they
// name the command "zarvon") and written for the user alone by the
// integration box (naming the program by its full path).
// Qt-free.
#pragma once

#include <string>
#include <vector>

namespace zarvon::operations {

struct ActionFile {
    std::string relativePath; // below a data folder ($XDG_DATA_HOME, <prefix>/share)
    std::string text;
    bool executable = false; // Dolphin runs a user's service menu only when it is executable
};

// The action files whose Exec lines start `command` (a desktop entry's Exec
// argument, already quoted as one needs). `extraLine`, when not empty, is
// added to every file's first group (the mark of the files the program
// wrote for the user).
std::vector<ActionFile> fileManagerActionFiles(const std::string &command, const std::string &extraLine = {});

} // namespace zarvon::operations
