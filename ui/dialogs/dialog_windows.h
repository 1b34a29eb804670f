// Hands the dialog windows that the workflows open (the compression window,
// the password window) over to the workflows, which sit below this layer.
// Call once at start-up, after initPlatform.
#pragma once

namespace zarvon::ui {

void installDialogWindows();

}  // namespace zarvon::ui
