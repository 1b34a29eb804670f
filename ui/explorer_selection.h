// The explorer list's selected items, as the commands that act on a choice of
// files read them. Internal to the operations layer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zarvon::ui {

// One selected item: its name as listed, its full path in the listed folder,
// and its item state (folder or file).
struct ExplorerItem {
    std::string name;
    std::string path;
    int state = 0;
};

// The selected items of `explorer` in list order, the parent entry included.
std::vector<ExplorerItem> selectedExplorerItems(int explorer);

// One error for every selected file a command passed over because it is no
// archive, however many were selected; nothing when `skipped` is 0.
void reportSkippedNonArchives(std::size_t skipped);

} // namespace zarvon::ui
