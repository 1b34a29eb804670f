#include "app/pending_commands.h"

#include "ui/ids.h"
#include "ui/platform/platform.h"

namespace zarvon::app {

void copySelection() {}
void moveSelection() {}
void renameSelection() {}
void deleteSelection() {}
void confirmFileOperationWindow() {}

void showArchiveInformation() {}
void closeArchiveInformation() { platform::closeWindow(ids::WindowInfoArchive); }

bool assistantExists() { return platform::isWindow(ids::WindowAssistant); }
bool assistantAvailable() { return false; }
void openAssistant() {}
void assistantButton(int) {}

}  // namespace zarvon::app
