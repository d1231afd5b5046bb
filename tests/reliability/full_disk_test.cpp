// Writes that run out of space: "Speichern" into a full file system shows the message that
// the phonebook cannot be saved, the "_NEU.xml" file that was there stays as it was, no
// temporary file is left, and the slot keeps its book so the user can save it elsewhere.
// The space runs out on a tiny tmpfs (when the test may mount one) and through the file size
// limit of the process (always).

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/controls.h"
#include "book/record_list.h"
#include "book/slot.h"
#include "reliability_support.h"
#include "services/settings.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/test_support.h"

namespace rk::reliability::test {
namespace {

// A tmpfs of `kilobytes` mounted on a new folder; unmounted when it goes.
class TinyFileSystem {
 public:
  TinyFileSystem(const std::filesystem::path& folder, int kilobytes) : folder_(folder) {
    std::filesystem::create_directory(folder_);
    const std::string options = "size=" + std::to_string(kilobytes) + "k";
    mounted_ = ::mount("rufkartei-full", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~TinyFileSystem() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
  }
  TinyFileSystem(const TinyFileSystem&) = delete;
  TinyFileSystem& operator=(const TinyFileSystem&) = delete;

  bool mounted() const { return mounted_; }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
};

// Lowers the process's file size limit; writes beyond it fail (EFBIG) instead of raising
// SIGXFSZ, as on a full disk. The old limit and signal action come back when it goes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &oldAction_);
    rlimit lowered = old_;
    lowered.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::sigaction(SIGXFSZ, &oldAction_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  struct sigaction oldAction_ {};
};

int TemporaryFiles(const std::filesystem::path& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    count += entry.path().extension() == ".tmp" ? 1 : 0;
  }
  return count;
}

class FullDiskTest : public book::test::ShellTest {
 protected:
  // Loads a book of 2,000 contacts (about 600 kB saved) into book 1 and points its Datei field
  // at `folder`, where an older "_NEU.xml" of it stands.
  void PrepareBook(const std::filesystem::path& folder) {
    Load(1, WriteFile("Buch.xml", GeneratedBook(2000)));
    ASSERT_EQ(tk::CountItems(app::PaneControl(1, app::kContactList)), 2000);
    target_ = folder / "Buch.xml_NEU.xml";
    old_ = GeneratedBook(3);
    rk::test::WriteFileBytes(target_, old_);
    tk::SetText(app::PaneControl(1, app::kFileField), FromOsPath(folder / "Buch.xml"));
    before_ = book::AllRowTexts(book::FindSlot(1)->records);
    recordsBefore_ = book::RecordCount(book::FindSlot(1)->records);
  }

  // "Speichern" fails with its message, and nothing is lost.
  void ExpectSaveFailsAndNothingIsLost() {
    const std::vector<book::test::Shown> shown = PressAnswering(app::PaneControl(1, app::kSaveButton), 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, u"Fehlermeldung");
    EXPECT_EQ(shown[0].icon, 48);
    EXPECT_EQ(shown[0].text, UnwritableText(FromOsPath(target_)));
    EXPECT_EQ(rk::test::ReadFileBytes(target_), old_);
    EXPECT_EQ(TemporaryFiles(target_.parent_path()), 0);
    EXPECT_EQ(book::RecordCount(book::FindSlot(1)->records), recordsBefore_);
    EXPECT_EQ(book::AllRowTexts(book::FindSlot(1)->records), before_);
    EXPECT_TRUE(SlotInStep(1));
  }

  // Once there is room again, the same book saves completely.
  void ExpectSaveSucceeds() {
    EXPECT_TRUE(PressAnswering(app::PaneControl(1, app::kSaveButton), 0).empty());
    ExpectSavedBookParses(1, target_);
  }

  std::filesystem::path target_;
  std::string old_;
  std::vector<std::u16string> before_;
  std::size_t recordsBefore_ = 0;
};

TEST_F(FullDiskTest, SaveOntoAFullFileSystem) {
  TinyFileSystem full(folder_ / "voll", 256);
  if (!full.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root and mount rights)";
  PrepareBook(folder_ / "voll");
  ExpectSaveFailsAndNothingIsLost();
  // The user saves it elsewhere instead.
  tk::SetText(app::PaneControl(1, app::kFileField), Folder() + u"Buch.xml");
  target_ = folder_ / "Buch.xml_NEU.xml";
  ExpectSaveSucceeds();
}

TEST_F(FullDiskTest, SaveBeyondTheFileSizeLimit) {
  PrepareBook(folder_.path());
  {
    FileSizeLimit limit(64 * 1024);
    ExpectSaveFailsAndNothingIsLost();
  }
  ExpectSaveSucceeds();
}

// The settings file the program writes at its end: a write that fails keeps the old file.
TEST(FullDiskSettings, FailedWriteKeepsTheOldSettingsFile) {
  rk::test::TempFolder folder;
  const std::u16string path = FromOsPath(folder / "Rufkartei.ini");
  ASSERT_NE(CreateSettings(path), 0);
  WriteSettingString(u"Telefonbuch1", u"/alt/");
  ASSERT_NE(CloseSettings(), 0);
  const std::string old = rk::test::ReadFileBytes(folder / "Rufkartei.ini");
  {
    FileSizeLimit limit(4096);
    ASSERT_NE(CreateSettings(path), 0);
    WriteSettingString(u"Telefonbuch1", u"/neu/" + std::u16string(10000, u'n'));
    EXPECT_EQ(CloseSettings(), 0);
  }
  EXPECT_EQ(rk::test::ReadFileBytes(folder / "Rufkartei.ini"), old);
  EXPECT_EQ(TemporaryFiles(folder.path()), 0);
}

}  // namespace
}  // namespace rk::reliability::test
