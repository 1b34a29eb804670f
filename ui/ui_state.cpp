#include "ui/ui_state.h"

namespace zarvon::ui {

UiState &uiState()
{
    static UiState state;
    return state;
}

void resetUiState() { uiState() = UiState{}; }

} // namespace zarvon::ui
