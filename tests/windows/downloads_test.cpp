// The two downloads of the Windows build under Wine on a virtual display: the installer's whole
// life (silent install, the installed program, an install over it, silent removal) and the
// portable archive run from a folder of its own. Wine runs as the user nobody in a prefix that
// nobody owns, so that a folder made read-only on the Linux side is one the program cannot
// write, as "Program Files" is for a Windows user. Skipped without the Windows build's downloads
// or without root (which is needed to become nobody).
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "display/display_support.h"
#include "support/test_support.h"

namespace rk::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUninstallKey =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Rufkartei";
constexpr const char* kInstalledProgram = "C:\\Program Files\\Rufkartei\\rufkartei.exe";

// Hands the file or folder, and everything in a folder, to nobody.
void GiveToNobody(const fs::path& path) {
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0) << path;
  if (!fs::is_directory(path)) return;
  for (const auto& entry : fs::recursive_directory_iterator(path)) {
    ASSERT_EQ(::chown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid), 0) << entry.path();
  }
}

// Wine as the user nobody, with a home folder and a fresh prefix of its own under `folder`, on
// the display; its wineserver ends with the object.
class WineAsNobody {
 public:
  WineAsNobody(const fs::path& folder, const XDisplay& display)
      : home_(folder / "home"), prefix_(home_ / "wine") {
    fs::permissions(folder, fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::create_directory(home_);
    GiveToNobody(home_);
    environment_ = {"HOME=" + home_.string(), "USER=nobody", "LOGNAME=nobody",
                    "DISPLAY=" + display.name(), "RUFKARTEI_WINEPREFIX=" + prefix_.string()};
  }
  ~WineAsNobody() { RunCommand(Command({"--stop"}), environment_, Milliseconds(20000)); }
  WineAsNobody(const WineAsNobody&) = delete;
  WineAsNobody& operator=(const WineAsNobody&) = delete;

  // A Windows program run to its end (the first run makes the prefix, some seconds).
  CommandResult Run(const std::vector<std::string>& arguments,
                    Milliseconds limit = Milliseconds(120000)) const {
    return RunCommand(Command(arguments), environment_, limit);
  }
  // A Windows program started in the background, its output in `log`.
  void Start(std::optional<ChildProcess>& process, const std::string& program,
             const fs::path& log) const {
    process.emplace(Command({program}), environment_, log);
  }
  // Ends the Windows session as logging off does: every window is asked and then told.
  void EndSession() const { EXPECT_EQ(Run({"wineboot", "--end-session"}).status, 0); }

  fs::path Drive() const { return prefix_ / "drive_c"; }
  fs::path UserSettings() const {
    return Drive() / "users" / "nobody" / "AppData" / "Roaming" / "Rufkartei" / "Rufkartei.ini";
  }

 private:
  std::vector<std::string> Command(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command{"setpriv", "--reuid=nobody", "--regid=nogroup",
                                     "--clear-groups", RUFKARTEI_WINE_RUN};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
  }

  fs::path home_, prefix_;
  std::vector<std::string> environment_;
};

// Starts the program, waits for its main window, ends the session and waits for its end:
// the settings are then written. What the program printed is shown when a step fails.
void RunProgramOnce(const WineAsNobody& wine, const XDisplay& display, const std::string& program,
                    const fs::path& log) {
  std::optional<ChildProcess> process;
  wine.Start(process, program, log);
  ASSERT_TRUE(display.WaitForWindow(kMainWindowName, Milliseconds(60000)).has_value())
      << ReadFileBytes(log);
  wine.EndSession();
  const std::optional<int> end = process->WaitForEnd(Milliseconds(20000));
  ASSERT_TRUE(end.has_value()) << ReadFileBytes(log);
  EXPECT_EQ(ExitStatus(*end), 0);
}

// The values of one key as `reg query` lists them: name -> "TYPE    data".
std::map<std::string, std::string> RegistryValues(const std::string& listing) {
  std::map<std::string, std::string> values;
  std::istringstream lines(listing);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.starts_with("    ")) continue;
    const std::size_t gap = line.find("    ", 4);
    if (gap != std::string::npos) values[line.substr(4, gap - 4)] = line.substr(gap + 4);
  }
  return values;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Waits up to `limit` until `done` holds.
bool Eventually(const std::function<bool()>& done, Milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(Milliseconds(200));
  }
  return true;
}

// The names in a folder, sorted; none when it is missing.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code missing;
  for (const auto& entry : fs::directory_iterator(folder, missing)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A Linux path as Wine shows it, on drive Z:.
std::string NativePath(const fs::path& path) {
  std::string native = "Z:" + path.string();
  std::replace(native.begin(), native.end(), '/', '\\');
  return native;
}

bool Prepared(const char* download) {
  return fs::exists(download) && ::geteuid() == 0;
}

TEST(WindowsDownloads, InstallerPutsTheProgramInPlaceItsSettingsGoToAppDataAndRemovalKeepsThem) {
  if (!Prepared(RUFKARTEI_SETUP)) GTEST_SKIP() << "needs root and " RUFKARTEI_SETUP;
  const TempFolder folder;
  XDisplay display(1280, 1024, 96);
  ASSERT_TRUE(display.ready());
  const WineAsNobody wine(folder.path(), display);

  ASSERT_EQ(wine.Run({RUFKARTEI_SETUP, "/S"}).status, 0);
  const fs::path installed = wine.Drive() / "Program Files" / "Rufkartei";
  const fs::path startMenu =
      wine.Drive() / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / "Programs";
  EXPECT_EQ(Names(installed), (std::vector<std::string>{"Deinstallieren.exe", "LICENSE.txt",
                                                         "README.md", "rufkartei.exe"}));
  EXPECT_TRUE(fs::exists(startMenu / "Rufkartei.lnk"));
  // The desktop shortcut is offered, not forced.
  EXPECT_FALSE(fs::exists(wine.Drive() / "users" / "Public" / "Desktop" / "Rufkartei.lnk"));
  const CommandResult key = wine.Run({"reg", "query", kUninstallKey, "/reg:64"});
  ASSERT_EQ(key.status, 0) << key.output;
  std::map<std::string, std::string> values = RegistryValues(key.output);
  EXPECT_TRUE(values["EstimatedSize"].starts_with("REG_DWORD    0x")) << values["EstimatedSize"];
  values.erase("EstimatedSize");
  const std::string uninstaller = "\"C:\\Program Files\\Rufkartei\\Deinstallieren.exe\"";
  EXPECT_EQ(values, (std::map<std::string, std::string>{
                        {"DisplayIcon", "REG_SZ    C:\\Program Files\\Rufkartei\\rufkartei.exe"},
                        {"DisplayName", "REG_SZ    Rufkartei"},
                        {"DisplayVersion", "REG_SZ    " RUFKARTEI_VERSION},
                        {"InstallLocation", "REG_SZ    C:\\Program Files\\Rufkartei"},
                        {"NoModify", "REG_DWORD    0x1"},
                        {"NoRepair", "REG_DWORD    0x1"},
                        {"Publisher", "REG_SZ    Rufkartei maintainers"},
                        {"QuietUninstallString", "REG_SZ    " + uninstaller + " /S"},
                        {"UninstallString", "REG_SZ    " + uninstaller}}));

  // A program folder the user cannot write, as "Program Files" is: the settings go to the
  // user's application data, and the remembered folders start in the user's home.
  fs::permissions(installed, fs::perms::owner_write, fs::perm_options::remove);
  RunProgramOnce(wine, display, kInstalledProgram, folder / "installed.log");
  ASSERT_FALSE(HasFatalFailure());
  const std::string settings = ReadFileBytes(wine.UserSettings());
  EXPECT_EQ(settings, "\xEF\xBB\xBF\r\nTelefonbuch1 = C:\\users\\nobody\\\r\n"
                      "Telefonbuch2 = C:\\users\\nobody\\\r\nToolTip = 1\r\n");
  EXPECT_FALSE(fs::exists(installed / "Rufkartei.ini"));

  // The administrator installs again, over a folder where the user keeps a phonebook: the older
  // installation is replaced and "Apps" still lists one Rufkartei.
  fs::permissions(installed, fs::perms::owner_write, fs::perm_options::add);
  WriteFileBytes(installed / "Meine.xml", "<phonebooks/>\n");
  GiveToNobody(installed / "Meine.xml");
  ASSERT_EQ(wine.Run({RUFKARTEI_SETUP, "/S"}).status, 0);
  const CommandResult all = wine.Run({"reg", "query",
      "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "/s", "/reg:64"});
  EXPECT_EQ(Occurrences(all.output, "DisplayName    REG_SZ    Rufkartei\r"), 1u) << all.output;
  EXPECT_TRUE(fs::exists(installed / "rufkartei.exe"));

  // The silent removal hands over to a copy of the uninstaller and returns at once; what it
  // removes is waited for.
  ASSERT_EQ(wine.Run({"C:\\Program Files\\Rufkartei\\Deinstallieren.exe", "/S"}).status, 0);
  EXPECT_TRUE(Eventually([&] { return !fs::exists(installed / "Deinstallieren.exe"); },
                         Milliseconds(30000)));
  EXPECT_EQ(Names(installed), std::vector<std::string>{"Meine.xml"});
  EXPECT_FALSE(fs::exists(startMenu / "Rufkartei.lnk"));
  EXPECT_NE(wine.Run({"reg", "query", kUninstallKey, "/reg:64"}).status, 0);
  EXPECT_EQ(ReadFileBytes(installed / "Meine.xml"), "<phonebooks/>\n");
  EXPECT_EQ(ReadFileBytes(wine.UserSettings()), settings);
}

TEST(WindowsDownloads, PortableArchiveUnpackedKeepsItsSettingsBesideTheProgram) {
  if (!Prepared(RUFKARTEI_ZIP)) GTEST_SKIP() << "needs root and " RUFKARTEI_ZIP;
  const TempFolder folder;
  // The published checksums hold for both downloads.
  const fs::path downloads = fs::path(RUFKARTEI_ZIP).parent_path();
  for (const char* download : {RUFKARTEI_ZIP, RUFKARTEI_SETUP}) {
    const std::string name = fs::path(download).filename().string();
    const CommandResult check = RunCommand(
        {"sh", "-c", "cd \"$0\" && sha256sum -c \"$1.sha256\"", downloads.string(), name});
    EXPECT_EQ(check.status, 0) << check.output;
  }

  const fs::path stick = folder / "stick";
  fs::create_directory(stick);
  ASSERT_EQ(RunCommand({"sh", "-c", "cd \"$0\" && cmake -E tar xf \"$1\"", stick.string(),
                        RUFKARTEI_ZIP}).status, 0);
  EXPECT_EQ(Names(stick), std::vector<std::string>{"Rufkartei"});
  EXPECT_EQ(Names(stick / "Rufkartei"),
            (std::vector<std::string>{"LICENSE.txt", "README.md", "rufkartei.exe"}));
  EXPECT_EQ(ReadFileBytes(stick / "Rufkartei" / "LICENSE.txt"), ReadFileBytes(RUFKARTEI_LICENSE));
  GiveToNobody(stick);

  XDisplay display(1280, 1024, 96);
  ASSERT_TRUE(display.ready());
  const WineAsNobody wine(folder.path(), display);
  const std::string nativeFolder = NativePath(stick / "Rufkartei") + "\\";
  RunProgramOnce(wine, display, NativePath(stick / "Rufkartei" / "rufkartei.exe"),
                 folder / "portable.log");
  ASSERT_FALSE(HasFatalFailure());
  // Beside the program, with the program's folder as both remembered folders.
  EXPECT_EQ(ReadFileBytes(stick / "Rufkartei" / "Rufkartei.ini"),
            "\xEF\xBB\xBF\r\nTelefonbuch1 = " + nativeFolder + "\r\nTelefonbuch2 = " +
                nativeFolder + "\r\nToolTip = 1\r\n");
  EXPECT_FALSE(fs::exists(wine.UserSettings()));
}

}  // namespace
}  // namespace rk::test
