// Writes that are killed: a program saving a phonebook ("_NEU.xml") or the settings file
// ("Rufkartei.ini") over and over, two versions in turn, is killed with SIGKILL at stepped
// points of its writes. Whenever it dies, the file holds one of the two complete versions,
// never a mix and never a cut-off file, and no temporary files pile up beside it.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "reliability_support.h"
#include "services/file_replace.h"
#include "services/settings.h"
#include "services/text.h"
#include "support/test_support.h"
#include "xml/xml.h"

namespace rk::reliability::test {
namespace {

// Kills of each test.
constexpr int kKills = 40;

struct Writer {
  pid_t pid = -1;
  long long microsecondsPerWrite = 0;
};

// Starts the writer program; it has written both versions once when this returns.
Writer StartWriter(const std::vector<std::string>& arguments) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return {};
  std::vector<char*> argv;
  std::string program = RUFKARTEI_INTERRUPTED_WRITER;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeEnds[1], STDOUT_FILENO);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  Writer writer;
  writer.pid = pid;
  // "ready <microseconds>\n", within a minute.
  std::string line;
  pollfd wait{pipeEnds[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&wait, 1, 60000) > 0) {
    char buffer[64];
    const ssize_t count = ::read(pipeEnds[0], buffer, sizeof buffer);
    if (count <= 0) break;
    line.append(buffer, static_cast<std::size_t>(count));
  }
  ::close(pipeEnds[0]);
  if (line.rfind("ready ", 0) != 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return {};
  }
  writer.microsecondsPerWrite = std::stoll(line.substr(6));
  return writer;
}

// Temporary files a killed write left in the folder.
int Leftovers(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    count += entry.path().extension() == ".tmp" ? 1 : 0;
  }
  return count;
}

// Starts the writer `kKills` times and kills it after delays that step through two of its
// writes (with a little jitter, so the points do not repeat); after each kill `target` must be
// one of the two versions. Temporary files never pile up: a kill leaves at most the one of the
// target (none with unnamed temporary files, but for a kill between its link and its rename),
// which the next write of the target takes over, and `finalWrite` leaves none at all.
void KillWhileWriting(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
                      const std::filesystem::path& target, const std::function<void()>& finalWrite) {
  std::mt19937 random(4711);
  int first = 0;
  int second = 0;
  int midWrite = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    const Writer writer = StartWriter(arguments);
    ASSERT_GT(writer.pid, 0) << "the writer did not start";
    const std::string firstVersion = rk::test::ReadFileBytes(folder / "first.ref");
    const std::string secondVersion = rk::test::ReadFileBytes(folder / "second.ref");
    ASSERT_FALSE(firstVersion.empty());
    ASSERT_NE(firstVersion, secondVersion);

    const long long span = 2 * writer.microsecondsPerWrite + 1;
    const long long delay = span * kill / kKills + static_cast<long long>(random() % static_cast<unsigned>(span / kKills + 1));
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    ASSERT_EQ(::kill(writer.pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(writer.pid, &status, 0), writer.pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";

    const std::string now = rk::test::ReadFileBytes(target);
    if (now == firstVersion) {
      ++first;
    } else if (now == secondVersion) {
      ++second;
    } else {
      ADD_FAILURE() << "kill " << kill << " after " << delay << " us left " << now.size()
                    << " bytes that are neither version (" << firstVersion.size() << ", "
                    << secondVersion.size() << ")";
    }
    const int left = Leftovers(folder);
    EXPECT_LE(left, 1) << "kill " << kill;
    midWrite += left;
  }
  finalWrite();
  EXPECT_EQ(Leftovers(folder), 0);
  // Both versions were met, so the kills fell on writes of either.
  EXPECT_GT(first, 0);
  EXPECT_GT(second, 0);
  std::printf("%d kills: %d left the first version, %d the second; %d left a temporary file\n", kKills, first,
              second, midWrite);
}

// The writer's arguments, with "named" when it must use named temporary files.
std::vector<std::string> WithMode(std::vector<std::string> arguments, bool named) {
  if (named) arguments.emplace_back("named");
  return arguments;
}

void KillSaves(bool named) {
  rk::test::TempFolder folder;
  const std::filesystem::path book = folder / "Buch.xml";
  rk::test::WriteFileBytes(book, GeneratedBook(3000 / kSanitizerShrink));
  std::filesystem::path target = book;
  target += "_NEU.xml";
  KillWhileWriting(WithMode({"book", folder.path().string(), book.string()}, named), folder.path(), target, [&] {
    detail::SetUnnamedTemporaryFiles(!named);
    EXPECT_NE(xml::CreateDocument(3, xml::EncodingUtf8), 0);
    xml::AppendElement(xml::RootNode(3), u"phonebooks");
    EXPECT_NE(xml::SaveDocument(3, FromOsPath(target)), 0);
    xml::FreeDocument(3);
    detail::SetUnnamedTemporaryFiles(true);
  });
}

void KillSettingsWrites(bool named) {
  rk::test::TempFolder folder;
  const std::filesystem::path target = folder / "Rufkartei.ini";
  KillWhileWriting(WithMode({"settings", folder.path().string()}, named), folder.path(), target, [&] {
    detail::SetUnnamedTemporaryFiles(!named);
    EXPECT_NE(CreateSettings(FromOsPath(target)), 0);
    EXPECT_EQ(CloseSettings(), 1);
    detail::SetUnnamedTemporaryFiles(true);
  });
}

TEST(CrashSafeWrite, KilledSaveLeavesTheOldOrTheNewPhonebook) { KillSaves(false); }

TEST(CrashSafeWrite, KilledSettingsWriteLeavesTheOldOrTheNewFile) { KillSettingsWrites(false); }

// The same where the file system has no unnamed temporary files.
TEST(CrashSafeWrite, KilledSaveWithNamedTemporaryFiles) { KillSaves(true); }

TEST(CrashSafeWrite, KilledSettingsWriteWithNamedTemporaryFiles) { KillSettingsWrites(true); }

}  // namespace
}  // namespace rk::reliability::test
