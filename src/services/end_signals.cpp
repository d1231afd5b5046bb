#include "services/end_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <string_view>

#include "services/file_io.h"

namespace rk {
namespace {

constexpr std::array<int, 3> kEndSignals = {SIGTERM, SIGINT, SIGHUP};

// A self-pipe: the handler writes one byte, the loop watches the read end. Plain integers, so
// nothing here needs destroying at exit.
int g_readEnd = -1;
int g_writeEnd = -1;

extern "C" void NoteEndSignal(int) {
  // write() is async-signal-safe; a full pipe already says "ended", so a failed write loses
  // nothing. errno is kept for the code the signal interrupted.
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const bool written = WriteAll(g_writeEnd, std::string_view(&byte, 1));
  errno = saved;
}

}  // namespace

int WatchEndSignals() {
  if (g_readEnd >= 0) return g_readEnd;
  std::array<int, 2> ends{};
  if (::pipe2(ends.data(), O_CLOEXEC | O_NONBLOCK) != 0) return -1;
  g_readEnd = ends[0];
  g_writeEnd = ends[1];
  struct sigaction action {};
  action.sa_handler = NoteEndSignal;
  sigemptyset(&action.sa_mask);
  // Restarted system calls: a signal must not make a file read or write of an operation fail.
  // One-shot: the first signal asks the loop to end; a second one, should the program be stuck,
  // ends the process as it always would.
  action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
  for (const int signal : kEndSignals) ::sigaction(signal, &action, nullptr);
  return g_readEnd;
}

bool TakeEndSignal() {
  if (g_readEnd < 0) return false;
  bool arrived = false;
  std::array<char, 64> bytes{};
  while (ReadSome(g_readEnd, bytes) > 0) arrived = true;
  return arrived;
}

void StopWatchingEndSignals() {
  if (g_readEnd < 0) return;
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (const int signal : kEndSignals) ::sigaction(signal, &action, nullptr);
  ::close(g_readEnd);
  ::close(g_writeEnd);
  g_readEnd = -1;
  g_writeEnd = -1;
}

}  // namespace rk
