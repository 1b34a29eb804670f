// The assistant window (window 1): the fixed buttons present on every page
// and the controls of each of its five pages. The assistant's flow and its
// buttons are ui/assistant.cpp's.
#pragma once

#include <string>

namespace zarvon::ui {

// The page on display.
enum class AssistantPage {
    Welcome,         // the welcome texts
    ChooseOperation, // compress or extract, by option button
    ArchiveName,     // the path of the archive to create
    FilesToCompress, // the list of what goes into it (add-files window beside)
    Extraction,      // the archive to extract and the folder to extract into
};

// Creates window 1 hidden, 400 by 278, centred on the screen, with its fixed
// controls: heading, Help, About, Zarvon, Configuration, Previous, Next,
// Close and the Options frame. False when it could not be created.
bool buildAssistantWindow();

// Replaces the page controls by those of `page`, created anew (so no option
// is chosen and every field is empty), sets the page's title and gives Next
// the text of BtTextNext, or BtFinish on FilesToCompress.
void arrangeAssistantPage(AssistantPage page);

// The window title of a page.
std::string assistantPageTitle(AssistantPage page);

// Next reads BtFinish (`finish`) or BtTextNext.
void showAssistantFinish(bool finish);

} // namespace zarvon::ui
