// The add-in's controls in the host's command bars, window by window, from the active menu table.
#pragma once

namespace korvel::xll {

// Builds every window that lacks the add-in's controls; 0 after a complete walk over the windows, -1 when it
// stopped earlier.
int BuildMenus();
// Deletes the add-in's controls in every window; 0 when every window was done, -1 when a host call failed.
int RemoveMenus();

}  // namespace korvel::xll
