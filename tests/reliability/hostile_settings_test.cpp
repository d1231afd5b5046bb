// Hostile settings files: one far too big (a sparse 40 GB file), one just over the size a
// settings file can have, a FIFO; each is read as missing at once, so the defaults apply and
// start-up stays instant, and the file is written normally at the end. Running out of memory
// while the settings are written skips that content and lets no exception out.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "reliability_support.h"
#include "services/settings.h"
#include "services/text.h"
#include "support/test_support.h"

namespace rk::reliability::test {
namespace {

constexpr std::string_view kHeader = "\xEF\xBB\xBF\r\n";

class HostileSettingsTest : public ::testing::Test {
 protected:
  // Opens the settings file: it must be read as missing within a second.
  void ExpectReadAsMissing() {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenSettings(FromOsPath(file_)), 0);
    EXPECT_EQ(ReadSettingInteger(u"ToolTip", 7), 7);
    EXPECT_EQ(ReadSettingString(u"Telefonbuch1", u"/vorgabe/"), u"/vorgabe/");
    EXPECT_EQ(CloseSettings(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }

  // Writes the settings at the end of a run; their exact bytes come back.
  void ExpectWrittenAnew() {
    ASSERT_NE(CreateSettings(FromOsPath(file_)), 0);
    WriteSettingInteger(u"ToolTip", 0);
    EXPECT_EQ(CloseSettings(), 1);
    EXPECT_EQ(rk::test::ReadFileBytes(file_), std::string(kHeader) + "ToolTip = 0\r\n");
  }

  rk::test::TempFolder folder_;
  std::filesystem::path file_ = folder_ / "Rufkartei.ini";
};

TEST_F(HostileSettingsTest, FilesTooBigAreReadAsMissingAndWrittenAnew) {
  {
    rk::test::WriteFileBytes(file_, "ToolTip = 0\r\n");
    std::filesystem::resize_file(file_, 40ull * 1000 * 1000 * 1000);
  }
  ExpectReadAsMissing();
  ExpectWrittenAnew();

  // 1 MiB is the most a settings file may have.
  const std::string line = "ToolTip = 0\r\n";
  const std::string fits = line + "; " + std::string(1024 * 1024 - line.size() - 4, 'x') + "\r\n";
  ASSERT_EQ(fits.size(), 1024u * 1024u);
  rk::test::WriteFileBytes(file_, fits);
  ASSERT_NE(OpenSettings(FromOsPath(file_)), 0);
  EXPECT_EQ(ReadSettingInteger(u"ToolTip", 7), 0);
  EXPECT_EQ(CloseSettings(), 0);
  rk::test::WriteFileBytes(file_, fits + "x");
  ExpectReadAsMissing();
}

// FIFOs, address-space limits and fork are POSIX's.
#ifndef _WIN32
TEST_F(HostileSettingsTest, FifoIsReadAsMissingWithoutWaiting) {
  ASSERT_EQ(::mkfifo(file_.c_str(), 0644), 0);
  ExpectReadAsMissing();
  // It is no file to replace either.
  EXPECT_EQ(CreateSettings(FromOsPath(file_)), 0);
  EXPECT_EQ(CloseSettings(), 0);
}

#endif

#if !defined(RUFKARTEI_SANITIZED) && !defined(_WIN32)
// The number of bytes of address space the process holds.
rlim_t AddressSpaceInUse() {
  unsigned long pages = 0;
  if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// In a child process with little address space left: a value too big to convert is skipped,
// the rest is written. Exit code 0 when the file is right, another code (or a signal from an
// escaping exception) when not.
TEST_F(HostileSettingsTest, RunningOutOfMemoryWhileWritingSkipsThatValue) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::u16string huge(64 * 1024 * 1024, u'\u00E4');
    rlimit limit{};
    ::getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = AddressSpaceInUse() + 48 * 1024 * 1024;
    ::setrlimit(RLIMIT_AS, &limit);
    if (CreateSettings(FromOsPath(file_)) == 0) ::_exit(2);
    WriteSettingString(u"Telefonbuch1", huge);
    WriteSettingInteger(u"ToolTip", 1);
    if (CloseSettings() != 1) ::_exit(3);
    ::_exit(rk::test::ReadFileBytes(file_) == std::string(kHeader) + "ToolTip = 1\r\n" ? 0 : 4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

}  // namespace
}  // namespace rk::reliability::test
