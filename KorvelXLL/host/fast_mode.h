// Fast mode of the host: no screen updating, manual calculation, no events, no page breaks, "XLL..." in the
// status bar; and the way back to the host's own settings.
#pragma once

extern "C" {
// false switches into fast mode, true restores. Gives false when every step succeeded; true when a step
// failed or the host already was in fast mode.
bool HostFastMode(bool restore);
}

namespace korvel::xll {

// A command's last word, whatever stopped it (an exception included): the host's settings are put back when
// fast mode is still on.
void LeaveHostNormal();

// Forgets the settings that switches read from the host, as at load.
void RestoreFastModeLoadState();

// The failure paths of the host calls: puts the host back when it is in fast mode, unless a restore is
// already under way (a restore never starts another).
void RestoreHostBeforeReport();
// Counts the failure paths that the dotted-path calls took, so that fast mode sees a failure that still
// gave 0 (a member before the last that returned no object).
void NoteHostCallFailure();
// How many failure paths the dotted-path calls have taken so far: a caller compares two readings to see a
// failure that gave 0.
unsigned HostCallFailureCount();

}  // namespace korvel::xll
