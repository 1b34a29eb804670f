// The assistant: a step-by-step window (window 1) that leads through one
// compression or one extraction, handing the work to the same workflows as
// the main window (assistantCompress, and the extraction with its password
// window and its reports).
//
// The assistant knows its page as state (AssistantPage), never from its
// title. Walk: Welcome -> ChooseOperation -> (compress) ArchiveName ->
// FilesToCompress -> Finish -> Welcome; or ChooseOperation -> (extract)
// Extraction -> Finish -> Welcome. Previous walks one step back. While it is
// up the main window is hidden; only Zarvon and Close bring it back.
// User-interface thread only.
#pragma once

#include "ui/dialogs/assistant_window.h"

namespace zarvon::ui {

// Builds window 1 on the Welcome page and shows it (start-up, and after a
// finished run).
void openAssistant();

// The menu item and the toolbar button: hides the main window, then opens
// the assistant and makes it the active window.
void openAssistantFromMainWindow();
// The assistant standing in for the main window was started with an archive
// (opened from the file manager, say): its extraction page, with the archive
// as the one to extract.
void showAssistantExtractionOf(const std::string &archivePath);

bool assistantExists();
// The page shown; Welcome when there is no assistant.
AssistantPage assistantPage();

// A button of the assistant (About, Zarvon, Configuration, Previous, Next,
// the page buttons 50 to 52) or of the add-files window (Add 135, Cancel
// 136). Help and Close are the program's (they may end it).
void assistantButton(int id);

// Close (48): when the main window exists, the assistant (and its add-files
// window) closes and the main window shows; returns true. Returns false,
// changing nothing, when there is no main window: the program then ends.
bool closeAssistant();

} // namespace zarvon::ui
