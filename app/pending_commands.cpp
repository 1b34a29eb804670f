#include "app/pending_commands.h"

#include "ui/ids.h"
#include "ui/platform/platform.h"

namespace zarvon::app {

void minimiseToTray() {}
void restoreFromTray() {}
void showTrayMenu() {}

void applyIntegrationBox(int) {}

}  // namespace zarvon::app
