#pragma once
// A real X display for tests: Xvfb with the openbox window manager, the real program started
// on it, driven with real input events (xdotool) and read back with the X tools (xprop,
// xwininfo). Every wait has a time limit, and every process is killed when its owner ends,
// so no test can hang or leave anything running.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace rk::test {

using Milliseconds = std::chrono::milliseconds;

// The result of a command run to its end.
struct CommandResult {
  int status = -1;     // exit status, or -1 when it was killed or did not end in time
  std::string output;  // standard output
};

// Runs a program (looked up on PATH) with the arguments and extra environment entries
// ("NAME=value"); killed when it does not end within `limit`.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment = {},
                         Milliseconds limit = Milliseconds(10000));

// A process started in the background; killed (SIGKILL) and reaped with its owner.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::filesystem::path& output);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool Running();
  void Signal(int signal) const;
  // The wait() status once it ended within `limit`, else nothing.
  std::optional<int> WaitForEnd(Milliseconds limit);

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// An X window's client area on the screen and the frame the window manager put around it.
struct WindowGeometry {
  int x = 0, y = 0, width = 0, height = 0;        // client area, root coordinates
  int left = 0, right = 0, top = 0, bottom = 0;   // frame extents
  int FrameLeft() const { return x - left; }
  int FrameTop() const { return y - top; }
  int FrameRight() const { return x + width + right; }
  int FrameBottom() const { return y + height + bottom; }
};

// Xvfb with one screen of the given size and resolution (also as Xft.dpi, the desktop's
// scale) and openbox managing it. Ended with everything on it when the object goes.
class XDisplay {
 public:
  XDisplay(int width, int height, int dpi);
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  bool ready() const { return ready_; }
  const std::string& name() const { return name_; }  // ":N"
  int width() const { return width_; }
  int height() const { return height_; }

  // An X tool run on this display; its standard output (empty on failure or time-out).
  std::string Tool(const std::vector<std::string>& argv) const;

  // The first window whose name matches the regular expression, waited for up to `limit`.
  std::optional<unsigned long> WaitForWindow(const std::string& name,
                                             Milliseconds limit = Milliseconds(10000)) const;
  // Whether a window of that name is still mapped.
  bool HasWindow(const std::string& name) const;
  WindowGeometry Geometry(unsigned long window) const;
  // A property as xprop prints it ("NAME(TYPE) = value"), empty when unset.
  std::string Property(unsigned long window, const std::string& property) const;
  std::optional<unsigned long> ActiveWindow() const;
  // The managed windows from bottom to top.
  std::vector<unsigned long> Stacking() const;
  // Waits up to `limit` until a tooltip window of the program is shown.
  bool WaitForToolTip(Milliseconds limit) const;

  // Real input: the pointer moved to root coordinates (and a click there), keys by their X
  // names ("space", "Tab", "Return"), text typed into the focused window.
  void MoveTo(int x, int y) const;
  void Click(int x, int y) const;
  void Keys(const std::vector<std::string>& keys, Milliseconds delay = Milliseconds(50)) const;
  void Type(const std::string& text, Milliseconds delay = Milliseconds(10)) const;

  // Kills the X server (as at the end of a session that takes the display along).
  void KillServer();

 private:
  std::string name_;
  int width_, height_;
  bool ready_ = false;
  pid_t serverPid_ = -1;
  std::optional<ChildProcess> windowManager_;
};

// A private D-Bus session bus, as a desktop session has; the accessibility (AT-SPI) bus and
// its registry are started on it when a program asks for them. Ended with its owner.
class SessionBus {
 public:
  explicit SessionBus(const std::filesystem::path& folder);
  bool ready() const { return !address_.empty(); }
  // "DBUS_SESSION_BUS_ADDRESS=..." for the programs that use the bus.
  std::string Variable() const { return "DBUS_SESSION_BUS_ADDRESS=" + address_; }

 private:
  std::string address_;
  std::optional<ChildProcess> daemon_;
};

// The Orca screen reader on a display and a session bus, as a blind user runs it: German,
// with its own settings folder, speaking through a private speech-dispatcher whose only
// output module writes each text it is asked to say as a line of a file (no sound device is
// needed). Both are ended with their owner.
class ScreenReader {
 public:
  ScreenReader(const std::filesystem::path& folder, const XDisplay& display, const SessionBus& bus);
  // Whether Orca has begun to speak.
  bool ready() const { return ready_; }
  // The length of everything said so far; a mark for SaidSince.
  std::size_t Mark() const;
  // Waits up to `limit` until what was said since `mark` holds `text`; what was said since.
  std::string SaidSince(std::size_t mark, const std::string& text,
                        Milliseconds limit = Milliseconds(15000)) const;

 private:
  std::filesystem::path spoken_;
  std::optional<ChildProcess> dispatcher_;
  std::optional<ChildProcess> orca_;
  bool ready_ = false;
};

// A headless Wayland compositor (weston) with its own runtime folder and socket.
class WaylandDisplay {
 public:
  explicit WaylandDisplay(const std::filesystem::path& folder);
  bool ready() const { return ready_; }
  // The variables that put a Qt program on this compositor.
  std::vector<std::string> Environment() const;

 private:
  std::filesystem::path runtime_;
  bool ready_ = false;
  std::optional<ChildProcess> compositor_;
};

// Waits up to `limit` until the file holds `text`; the file's content then (or at the limit).
std::string WaitForText(const std::filesystem::path& file, const std::string& text,
                        Milliseconds limit = Milliseconds(10000));

// The real rufkartei binary copied into its own program folder (so Rufkartei.ini lies beside
// it), started on a display.
class ProgramUnderTest {
 public:
  explicit ProgramUnderTest(const std::filesystem::path& folder);
  // Another build of the program (rufkartei.exe), copied in the same way and started through
  // `launcher` (Wine's runner).
  ProgramUnderTest(const std::filesystem::path& folder, const std::filesystem::path& binary,
                   std::string launcher);

  // Starts the program on the display, with extra environment entries; false when its main
  // window did not appear in time.
  bool Start(const XDisplay& display, const std::vector<std::string>& environment = {});
  // Starts the program with this environment (LANG=C added) and waits for nothing.
  void Launch(const std::vector<std::string>& environment);
  ChildProcess& process() { return *process_; }
  unsigned long mainWindow() const { return mainWindow_; }
  const std::filesystem::path& folder() const { return folder_; }
  // What the program printed.
  std::string Log() const;

 private:
  std::filesystem::path folder_;
  std::filesystem::path program_;
  std::string launcher_;  // empty: the program is started itself
  std::optional<ChildProcess> process_;
  unsigned long mainWindow_ = 0;
};

// The window names of the program.
inline constexpr const char* kMainWindowName = "^Rufkartei  v1\\.10";
inline constexpr const char* kInfoWindowName = "^Rufkartei - Information$";
inline constexpr const char* kFileDialogName = "^Telefonbuch ausw";

// The exit status of a wait() status, -1 when the process ended by a signal (a fault).
int ExitStatus(int waitStatus);

// The key `key` `times` times over.
std::vector<std::string> Repeat(const std::string& key, int times);

// The keyboard journey after book 1 is loaded and "Laden" has the focus: book 2 made new, the
// first and third contacts of book 1 ticked and copied into it, book 2 named "Kartei" and saved.
void CopyTwoContactsIntoANewBookTwoAndSave(const XDisplay& display);

}  // namespace rk::test
