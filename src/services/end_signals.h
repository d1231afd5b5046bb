#pragma once
// The signals that end a desktop session (SIGTERM, SIGINT, SIGHUP) as a readable descriptor,
// so the event loop learns of them without doing any work inside a signal handler.

namespace rk {

// Installs the handlers; the descriptor that becomes readable once such a signal arrived, or
// -1 when it cannot be set up (the signals then keep their default action).
[[nodiscard]] int WatchEndSignals();

// True when at least one signal arrived since the last call; empties the descriptor.
bool TakeEndSignal();

// Restores the default actions and closes the descriptor.
void StopWatchingEndSignals();

}  // namespace rk
