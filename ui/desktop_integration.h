// The configuration window's integration boxes (frame TxtFrameIntegration):
// ChkBoxZip, ChkBoxIntegration and ChkBoxShortcut act on the desktop the
// moment they are clicked, before and independently of the window's Ok.
// User-interface thread only.
#pragma once

namespace zarvon::ui {

// Box `id` was clicked: puts in place or removes what it stands for, by the
// state the click gave it. When that cannot be done the user is told why
// (MsgIntegrationFailed, the file and the system's reason) and the box is set
// back to what is really there.
void applyIntegrationBox(int id);

} // namespace zarvon::ui
