#include "display/display_support.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace rk::test {
namespace {

using Clock = std::chrono::steady_clock;

// The process's environment with `extra` ("NAME=value") added or replacing entries of the
// same name.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    bool replaced = false;
    for (const std::string& added : extra) {
      if (std::string_view(added).substr(0, added.find('=')) == name) replaced = true;
    }
    if (!replaced) merged.emplace_back(text);
  }
  merged.insert(merged.end(), extra.begin(), extra.end());
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Forks and executes `argv` with its standard output on `output` (standard error too unless
// `errors` is given) and `keep` left open across the exec; the child's pid or -1.
pid_t Spawn(std::vector<std::string> argv, const std::vector<std::string>& environment,
            int output, int errors = -1, int keep = -1) {
  std::vector<std::string> variables = MergedEnvironment(environment);
  std::vector<char*> args = Pointers(argv);
  std::vector<char*> env = Pointers(variables);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  // Only async-signal-safe calls from here to the exec.
  const int nothing = ::open("/dev/null", O_RDWR);
  ::dup2(nothing, 0);
  ::dup2(output >= 0 ? output : nothing, 1);
  ::dup2(errors >= 0 ? errors : (output >= 0 ? output : nothing), 2);
  if (keep >= 0) ::fcntl(keep, F_SETFD, 0);
  ::execvpe(args[0], args.data(), env.data());
  ::_exit(127);
}

// Waits until the child ends or the deadline passes; its wait() status, else nothing.
std::optional<int> WaitUntil(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (done < 0 && errno != EINTR) return std::nullopt;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(Milliseconds(20));
  }
}

void Kill(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

std::vector<unsigned long> WindowIds(const std::string& text) {
  // xdotool prints decimal ids a line each; xprop hexadecimal ones after "#", comma separated.
  std::vector<unsigned long> ids;
  const std::size_t hash = text.find('#');
  std::istringstream stream(hash == std::string::npos ? text : text.substr(hash + 1));
  std::string word;
  while (stream >> word) {
    if (!word.empty() && word.back() == ',') word.pop_back();
    char* end = nullptr;
    const unsigned long id = std::strtoul(word.c_str(), &end, 0);
    if (end != word.c_str() && id != 0) ids.push_back(id);
  }
  return ids;
}

int NumberAfter(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + label.size());
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream stream(file);
  std::ostringstream content;
  content << stream.rdbuf();
  return content.str();
}

}  // namespace

int ExitStatus(int waitStatus) { return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1; }

CommandResult RunCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& environment, Milliseconds limit) {
  std::array<int, 2> pipe{};
  if (::pipe2(pipe.data(), O_CLOEXEC) != 0) return {};
  const pid_t pid = Spawn(argv, environment, pipe[1]);
  ::close(pipe[1]);
  CommandResult result;
  const Clock::time_point deadline = Clock::now() + limit;
  std::array<char, 4096> buffer{};
  for (;;) {
    const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd watched{pipe[0], POLLIN, 0};
    if (::poll(&watched, 1, static_cast<int>(left)) <= 0) continue;
    const ssize_t count = ::read(pipe[0], buffer.data(), buffer.size());
    if (count <= 0) break;
    result.output.append(buffer.data(), static_cast<std::size_t>(count));
  }
  ::close(pipe[0]);
  const std::optional<int> status = WaitUntil(pid, deadline);
  if (status) {
    result.status = ExitStatus(*status);
  } else {
    ADD_FAILURE() << argv[0] << " did not end within " << limit.count() << " ms";
    Kill(pid);
  }
  return result;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& environment,
                           const std::filesystem::path& output) {
  const int file = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  pid_ = Spawn(argv, environment, file);
  if (file >= 0) ::close(file);
}

ChildProcess::~ChildProcess() {
  if (!status_) Kill(pid_);
}

bool ChildProcess::Running() { return !WaitForEnd(Milliseconds(0)); }

void ChildProcess::Signal(int signal) const {
  if (!status_ && pid_ > 0) ::kill(pid_, signal);
}

std::optional<int> ChildProcess::WaitForEnd(Milliseconds limit) {
  if (!status_ && pid_ > 0) status_ = WaitUntil(pid_, Clock::now() + limit);
  return status_;
}

XDisplay::XDisplay(int width, int height, int dpi) : width_(width), height_(height) {
  // Xvfb picks a free display number itself and writes it to the descriptor given.
  std::array<int, 2> pipe{};
  if (::pipe2(pipe.data(), O_CLOEXEC) != 0) return;
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const int nothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t server = Spawn({"Xvfb", "-displayfd", std::to_string(pipe[1]), "-screen", "0",
                              screen, "-dpi", std::to_string(dpi), "-nolisten", "tcp",
                              "-noreset"},
                             {}, nothing, nothing, pipe[1]);
  ::close(nothing);
  ::close(pipe[1]);
  std::string number;
  const Clock::time_point deadline = Clock::now() + Milliseconds(10000);
  while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd watched{pipe[0], POLLIN, 0};
    if (::poll(&watched, 1, 100) <= 0) continue;
    std::array<char, 16> buffer{};
    const ssize_t count = ::read(pipe[0], buffer.data(), buffer.size());
    if (count <= 0) break;
    number.append(buffer.data(), static_cast<std::size_t>(count));
  }
  ::close(pipe[0]);
  serverPid_ = server;
  if (number.find('\n') == std::string::npos) {
    ADD_FAILURE() << "Xvfb did not start";
    return;
  }
  name_ = ":" + number.substr(0, number.find('\n'));

  // The desktop's scale, as a desktop's settings daemon publishes it.
  const std::filesystem::path resources = std::filesystem::temp_directory_path() / ("rufkartei-xrdb-" + std::to_string(::getpid()));
  std::ofstream(resources) << "Xft.dpi: " << dpi << "\n";
  Tool({"xrdb", "-nocpp", "-merge", resources.string()});
  std::filesystem::remove(resources);

  windowManager_.emplace(std::vector<std::string>{"openbox", "--sm-disable"},
                         std::vector<std::string>{"DISPLAY=" + name_}, "/dev/null");
  const Clock::time_point managed = Clock::now() + Milliseconds(10000);
  while (Clock::now() < managed) {
    if (Tool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") !=
        std::string::npos) {
      ready_ = true;
      return;
    }
    std::this_thread::sleep_for(Milliseconds(50));
  }
  ADD_FAILURE() << "openbox did not start on " << name_;
}

XDisplay::~XDisplay() {
  windowManager_.reset();
  Kill(serverPid_);
}

std::string XDisplay::Tool(const std::vector<std::string>& argv) const {
  return RunCommand(argv, {"DISPLAY=" + name_}).output;
}

std::optional<unsigned long> XDisplay::WaitForWindow(const std::string& name,
                                                     Milliseconds limit) const {
  const Clock::time_point deadline = Clock::now() + limit;
  do {
    const std::vector<unsigned long> ids =
        WindowIds(Tool({"xdotool", "search", "--onlyvisible", "--name", name}));
    if (!ids.empty()) return ids.front();
    std::this_thread::sleep_for(Milliseconds(50));
  } while (Clock::now() < deadline);
  return std::nullopt;
}

bool XDisplay::HasWindow(const std::string& name) const {
  return !WindowIds(Tool({"xdotool", "search", "--onlyvisible", "--name", name})).empty();
}

WindowGeometry XDisplay::Geometry(unsigned long window) const {
  const std::string info = Tool({"xwininfo", "-id", std::to_string(window)});
  WindowGeometry geometry;
  geometry.x = NumberAfter(info, "Absolute upper-left X:");
  geometry.y = NumberAfter(info, "Absolute upper-left Y:");
  geometry.width = NumberAfter(info, "Width:");
  geometry.height = NumberAfter(info, "Height:");
  const std::string extents = Property(window, "_NET_FRAME_EXTENTS");
  std::istringstream values(extents.substr(extents.find('=') + 1));
  char comma = 0;
  values >> geometry.left >> comma >> geometry.right >> comma >> geometry.top >> comma >>
      geometry.bottom;
  return geometry;
}

std::string XDisplay::Property(unsigned long window, const std::string& property) const {
  const std::string text = Tool({"xprop", "-id", std::to_string(window), property});
  return text.find("not found") != std::string::npos ? std::string() : text;
}

std::optional<unsigned long> XDisplay::ActiveWindow() const {
  const std::vector<unsigned long> ids = WindowIds(Tool({"xprop", "-root", "_NET_ACTIVE_WINDOW"}));
  if (ids.empty()) return std::nullopt;
  return ids.front();
}

std::vector<unsigned long> XDisplay::Stacking() const {
  return WindowIds(Tool({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}));
}

bool XDisplay::WaitForToolTip(Milliseconds limit) const {
  const Clock::time_point deadline = Clock::now() + limit;
  do {
    for (const unsigned long id :
         WindowIds(Tool({"xdotool", "search", "--onlyvisible", "--class", "rufkartei"}))) {
      if (Property(id, "_NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_TOOLTIP") !=
          std::string::npos) {
        return true;
      }
    }
    std::this_thread::sleep_for(Milliseconds(100));
  } while (Clock::now() < deadline);
  return false;
}

void XDisplay::MoveTo(int x, int y) const {
  Tool({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y)});
}

void XDisplay::Click(int x, int y) const {
  MoveTo(x, y);
  Tool({"xdotool", "click", "1"});
}

void XDisplay::Keys(const std::vector<std::string>& keys, Milliseconds delay) const {
  std::vector<std::string> argv = {"xdotool", "key", "--delay", std::to_string(delay.count())};
  argv.insert(argv.end(), keys.begin(), keys.end());
  Tool(argv);
}

void XDisplay::Type(const std::string& text, Milliseconds delay) const {
  Tool({"xdotool", "type", "--delay", std::to_string(delay.count()), text});
}

void XDisplay::KillServer() {
  Kill(serverPid_);
  serverPid_ = -1;
}

std::string WaitForText(const std::filesystem::path& file, const std::string& text,
                        Milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    std::ifstream stream(file);
    std::ostringstream content;
    content << stream.rdbuf();
    if (content.str().find(text) != std::string::npos || Clock::now() >= deadline) {
      return content.str();
    }
    std::this_thread::sleep_for(Milliseconds(50));
  }
}

SessionBus::SessionBus(const std::filesystem::path& folder) {
  const std::filesystem::path output = folder / "session-bus.txt";
  daemon_.emplace(std::vector<std::string>{"dbus-daemon", "--session", "--nofork",
                                           "--print-address=1"},
                  std::vector<std::string>{}, output);
  const std::string text = WaitForText(output, "\n");
  if (text.find('\n') == std::string::npos) {
    ADD_FAILURE() << "dbus-daemon did not start";
    return;
  }
  address_ = text.substr(0, text.find('\n'));
}

ScreenReader::ScreenReader(const std::filesystem::path& folder, const XDisplay& display,
                           const SessionBus& bus)
    : spoken_(folder / "spoken.txt") {
  const std::filesystem::path speech = folder / "speech";
  const std::filesystem::path orca = folder / "orca";
  std::filesystem::create_directories(speech / "modules");
  std::filesystem::create_directories(orca);
  // The output module runs this for every text: the text, quoted by the module, as a line.
  std::ofstream(speech / "speechd.conf")
      << "AudioOutputMethod \"libao\"\nAddModule \"recorder\" \"sd_generic\" \"recorder.conf\"\n"
         "DefaultModule \"recorder\"\nLogLevel 1\nLogDir \""
      << speech.string() << "\"\n";
  std::ofstream(speech / "modules" / "recorder.conf")
      << "GenericExecuteSynth \"printf '%s\\\\n' \\'$DATA\\' >> " << spoken_.string() << "\"\n"
      << "AddVoice \"de\" \"male1\" \"de\"\nAddVoice \"en\" \"male1\" \"en\"\n"
      << "GenericLanguage \"de\" \"de\" \"UTF-8\"\nGenericLanguage \"en\" \"en\" \"UTF-8\"\n";
  // libao opens no sound device with its null driver; it reads that choice from the home folder.
  std::ofstream(folder / ".libao") << "default_driver=null\n";
  // Keys are not echoed, so the speech holds what the program makes Orca say.
  std::ofstream(orca / "user-settings.conf")
      << R"({"general": {"enableKeyEcho": false, "enableSpeech": true},)"
      << R"( "profiles": {"default": {"profile": ["Default", "default"], "enableKeyEcho": false}},)"
      << R"( "pronunciations": {}, "keybindings": {}})";
  const std::string socket = (folder / "speech.sock").string();
  dispatcher_.emplace(std::vector<std::string>{"speech-dispatcher", "--run-single", "--timeout", "0",
                                               "--config-dir", speech.string(),
                                               "--communication-method", "unix_socket",
                                               "--socket-path", socket, "--log-dir", speech.string()},
                      std::vector<std::string>{"HOME=" + folder.string()}, folder / "dispatcher.log");
  const Clock::time_point deadline = Clock::now() + Milliseconds(10000);
  while (!std::filesystem::exists(socket) && Clock::now() < deadline) {
    std::this_thread::sleep_for(Milliseconds(50));
  }
  orca_.emplace(std::vector<std::string>{"orca", "--replace", "--user-prefs", orca.string()},
                std::vector<std::string>{bus.Variable(), "DISPLAY=" + display.name(),
                                         "SPEECHD_ADDRESS=unix_socket:" + socket,
                                         "LANGUAGE=de", "HOME=" + folder.string()},
                folder / "orca.log");
  // Orca's first words when it starts.
  ready_ = WaitForText(spoken_, "Bildschirmleser an", Milliseconds(30000)).find("Bildschirmleser an") !=
           std::string::npos;
  if (!ready_) ADD_FAILURE() << "Orca did not speak:\n" << ReadFile(folder / "orca.log");
}

std::size_t ScreenReader::Mark() const { return ReadFile(spoken_).size(); }

std::string ScreenReader::SaidSince(std::size_t mark, const std::string& text,
                                    Milliseconds limit) const {
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    const std::string said = ReadFile(spoken_);
    const std::string since = mark < said.size() ? said.substr(mark) : std::string();
    if (since.find(text) != std::string::npos || Clock::now() >= deadline) return since;
    std::this_thread::sleep_for(Milliseconds(50));
  }
}

WaylandDisplay::WaylandDisplay(const std::filesystem::path& folder)
    : runtime_(folder / "runtime") {
  // The compositor's socket lives in a runtime folder only its user may enter.
  std::filesystem::create_directory(runtime_);
  std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
  compositor_.emplace(std::vector<std::string>{"weston", "--backend=headless-backend.so",
                                               "--socket=wayland-rk", "--idle-time=0",
                                               "--width=1920", "--height=1080"},
                      std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime_.string()},
                      folder / "weston.log");
  const Clock::time_point deadline = Clock::now() + Milliseconds(10000);
  while (Clock::now() < deadline && compositor_->Running()) {
    if (std::filesystem::exists(runtime_ / "wayland-rk")) {
      ready_ = true;
      return;
    }
    std::this_thread::sleep_for(Milliseconds(50));
  }
  ADD_FAILURE() << "weston did not start";
}

std::vector<std::string> WaylandDisplay::Environment() const {
  return {"XDG_RUNTIME_DIR=" + runtime_.string(), "WAYLAND_DISPLAY=wayland-rk",
          "QT_QPA_PLATFORM=wayland", "DISPLAY="};
}

ProgramUnderTest::ProgramUnderTest(const std::filesystem::path& folder)
    : ProgramUnderTest(folder, RUFKARTEI_BINARY, "") {}

ProgramUnderTest::ProgramUnderTest(const std::filesystem::path& folder,
                                   const std::filesystem::path& binary, std::string launcher)
    : folder_(folder), program_(folder / binary.filename()), launcher_(std::move(launcher)) {
  std::filesystem::copy_file(binary, program_, std::filesystem::copy_options::overwrite_existing);
}

void ProgramUnderTest::Launch(const std::vector<std::string>& environment) {
  // LANG=C: the dialogs must be German whatever language the system speaks.
  std::vector<std::string> variables = {"LANG=C", "LC_ALL=C"};
  variables.insert(variables.end(), environment.begin(), environment.end());
  std::vector<std::string> argv{program_.string()};
  if (!launcher_.empty()) argv.insert(argv.begin(), launcher_);
  process_.emplace(argv, variables, folder_ / "program.log");
}

bool ProgramUnderTest::Start(const XDisplay& display,
                             const std::vector<std::string>& environment) {
  std::vector<std::string> variables = {"DISPLAY=" + display.name(), "QT_QPA_PLATFORM=xcb"};
  variables.insert(variables.end(), environment.begin(), environment.end());
  Launch(variables);
  const std::optional<unsigned long> window = display.WaitForWindow(kMainWindowName);
  mainWindow_ = window.value_or(0);
  return window.has_value();
}

std::string ProgramUnderTest::Log() const {
  std::ifstream file(folder_ / "program.log");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> Repeat(const std::string& key, int times) {
  return std::vector<std::string>(static_cast<std::size_t>(times), key);
}

void CopyTwoContactsIntoANewBookTwoAndSave(const XDisplay& display) {
  // Tab follows the rows: from book 1's "Laden" ten Tabs reach book 2's "Neu"; one step back
  // is book 1's list, where Home highlights the first contact and Space ticks it; two rows
  // down, "A +" (seven steps back) ticks the third, and "Kopieren" (two on) copies both.
  display.Keys(Repeat("Tab", 10));
  display.Keys({"Return", "shift+Tab", "Home", "space", "Down", "Down"});
  display.Keys(Repeat("shift+Tab", 7));
  display.Keys({"Return", "Tab", "Tab", "KP_Enter"});
  // Fourteen Tabs on, book 2's Name field takes a new name; six back, "Speichern" saves.
  display.Keys(Repeat("Tab", 14));
  display.Type("Kartei");
  display.Keys(Repeat("shift+Tab", 6));
  display.Keys({"Return"});
}

}  // namespace rk::test
