#include "services/end_signals.h"

#include <windows.h>

#include <atomic>

namespace rk {
namespace {

// Plain flags and a handle, so nothing here needs destroying at exit.
std::atomic<bool> g_watching{false};
std::atomic<bool> g_arrived{false};
HANDLE g_stopped = nullptr;

// Runs on a thread of its own that the system starts for Ctrl+C, Ctrl+Break and the closing of
// the console. The process ends when the handler returns from a close, so it waits (within the
// few seconds the system allows) until the program has stopped watching, its settings written.
BOOL WINAPI NoteEndEvent(DWORD event) {
  if (!g_watching.load()) return FALSE;
  g_arrived.store(true);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    ::WaitForSingleObject(g_stopped, 4500);
  }
  return TRUE;
}

}  // namespace

// There is no descriptor to watch on Windows: 0 says the handler is in place, and the event loop
// asks TakeEndSignal while it waits.
int WatchEndSignals() {
  if (g_watching.load()) return 0;
  if (g_stopped == nullptr) g_stopped = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (g_stopped == nullptr || !::SetConsoleCtrlHandler(NoteEndEvent, TRUE)) return -1;
  ::ResetEvent(g_stopped);
  g_watching.store(true);
  return 0;
}

bool TakeEndSignal() { return g_arrived.exchange(false); }

void StopWatchingEndSignals() {
  if (!g_watching.exchange(false)) return;
  ::SetConsoleCtrlHandler(NoteEndEvent, FALSE);
  ::SetEvent(g_stopped);
}

}  // namespace rk
