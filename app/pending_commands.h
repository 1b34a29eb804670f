// Commands of the main window whose operations are not built yet. Each is
// routed here by the dispatch and does nothing, so that every menu item,
// shortcut and button already reaches a named place; the work that builds an
// operation replaces its function here by the real one.
#pragma once

namespace zarvon::app {

// File operations on the explorer selection.
void copySelection();
void moveSelection();
void renameSelection();
void deleteSelection();
// The copy window's Ok in its copy, move and rename uses.
void confirmFileOperationWindow();

// The archive information sheet (window 5) and its Ok button.
void showArchiveInformation();
void closeArchiveInformation();

// The assistant (window 1) and the add-files window's buttons.
bool assistantExists();
// False until the assistant is built: the assistant-first start then opens
// the main window.
bool assistantAvailable();
void openAssistant();
void assistantButton(int id);

}  // namespace zarvon::app
