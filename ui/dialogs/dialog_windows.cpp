#include "ui/dialogs/dialog_windows.h"

#include "ui/compression.h"
#include "ui/extraction.h"
#include "ui/dialogs/compression_window.h"
#include "ui/dialogs/copy_window.h"

namespace zarvon::ui {

void installDialogWindows() {
    ui::setCompressionWindowBuilder(buildCompressionWindow);
    ui::setPasswordWindowBuilder(buildPasswordWindow);
}

}  // namespace zarvon::ui
