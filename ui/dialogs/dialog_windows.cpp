#include "ui/dialogs/dialog_windows.h"

#include "operations/compression.h"
#include "operations/extraction.h"
#include "ui/dialogs/compression_window.h"
#include "ui/dialogs/copy_window.h"

namespace zarvon::ui {

void installDialogWindows() {
    operations::setCompressionWindowBuilder(buildCompressionWindow);
    operations::setPasswordWindowBuilder(buildPasswordWindow);
}

}  // namespace zarvon::ui
