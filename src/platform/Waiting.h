#pragma once

#include <cstdint>
#include <functional>

// Waiting inside a long action, which hands no control back to the event
// loop: the user interface's events go on being processed, and the Escape key
// may end the action. PumpWait needs only the event loop (qbook2system);
// EscPressed asks the user interface (qbook2platform).

// Processes user-interface events until ms milliseconds have passed (at least
// once), sleeping while there are none. The wait ends early when keepWaiting,
// asked after each wake-up, says false.
void PumpWait(std::uint32_t ms, const std::function<bool()>& keepWaiting = {});

// True while the Escape key is held down, or when it was pressed since the
// last ask (Platform::escapePressed).
bool EscPressed();
