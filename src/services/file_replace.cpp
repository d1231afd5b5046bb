#include "services/file_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>

namespace rk {
namespace {

std::atomic<bool> unnamedAllowed{true};

constexpr int kMaxLinks = 40;
constexpr std::size_t kMaxName = 255;
constexpr std::string_view kSuffix = ".rufkartei.tmp";

// Follows symbolic links until `path` names no link; a missing file at the end is fine (it is
// created). False for a loop or a link that cannot be read.
bool ResolveLinks(std::filesystem::path& path) {
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return errno == ENOENT;
    if (!S_ISLNK(status.st_mode)) return true;
    std::error_code error;
    const std::filesystem::path content = std::filesystem::read_symlink(path, error);
    if (error) return false;
    path = content.is_absolute() ? content : path.parent_path() / content;
  }
  return false;
}

// The hidden name beside `target` its new content has until it is complete. It depends on the
// target alone, so the next write of the same target finds what a killed writer left there.
std::filesystem::path TemporaryName(const std::filesystem::path& target) {
  std::string name = target.filename().native();
  if (1 + name.size() + kSuffix.size() > kMaxName) {
    // Too long for one file name: a shortened name with a hash of the whole one.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    name = name.substr(0, 200) + "-" + digits;
  }
  return target.parent_path() / ("." + name + std::string(kSuffix));
}

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  return target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
}

bool SameFile(const struct stat& left, const struct stat& right) {
  return left.st_dev == right.st_dev && left.st_ino == right.st_ino;
}

// Locks the file open at `file`, which was opened by `name`; false when another writer holds it
// or `name` meanwhile names another file (the writer that held it renamed it into place).
// Every writer locks its temporary file, so a locked one is never touched.
bool LockAsNamed(const FileDescriptor& file, const std::filesystem::path& name) {
  struct stat opened {};
  struct stat named {};
  return ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(file.get(), &opened) == 0 &&
         S_ISREG(opened.st_mode) && ::lstat(name.c_str(), &named) == 0 && SameFile(opened, named);
}

// Removes the file a killed writer left at `name`; true when the name is free now.
bool RemoveStale(const std::filesystem::path& name) {
  const FileDescriptor stale(::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!stale.valid()) return errno == ENOENT;
  return LockAsNamed(stale, name) && ::unlink(name.c_str()) == 0;
}

// Creates a new file at `name` and locks it, after removing a stale one; invalid on failure.
FileDescriptor CreateNamed(const std::filesystem::path& name) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    FileDescriptor file(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.valid()) {
      if (LockAsNamed(file, name)) return file;
      return {};
    }
    if (errno != EEXIST || !RemoveStale(name)) return {};
  }
  return {};
}

// A new file without a name in `folder`, locked; invalid when the file system has none.
FileDescriptor CreateUnnamed(const std::filesystem::path& folder) {
  if (!unnamedAllowed.load()) return {};
  FileDescriptor file(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (!file.valid()) return {};
  // It is linked in through /proc (a link by the descriptor alone needs a privilege); without
  // /proc it could never be linked in.
  const std::string self = "/proc/self/fd/" + std::to_string(file.get());
  if (::faccessat(AT_FDCWD, self.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0) return {};
  if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) return {};
  return file;
}

// Gives the new file the owner, group and access rights of the one it replaces, as far as the
// user may: a user who owns the file keeps its group only when a member of it.
void KeepOwnerAndMode(int descriptor, const struct stat& existing) {
  if (::fchown(descriptor, existing.st_uid, existing.st_gid) != 0) {
    [[maybe_unused]] const int ignored = ::fchown(descriptor, static_cast<uid_t>(-1), existing.st_gid);
  }
  ::fchmod(descriptor, existing.st_mode & 07777);
}

}  // namespace

bool FileReplacement::Begin(const std::filesystem::path& target) {
  Discard();
  if (target.empty()) return false;
  std::filesystem::path resolved = target;
  if (!ResolveLinks(resolved)) return false;
  struct stat existing {};
  replacing_ = ::stat(resolved.c_str(), &existing) == 0;
  if (replacing_ && (!S_ISREG(existing.st_mode) || ::faccessat(AT_FDCWD, resolved.c_str(), W_OK, AT_EACCESS) != 0)) {
    replacing_ = false;
    return false;
  }
  target_ = resolved;
  temporary_ = TemporaryName(resolved);
  if (FileDescriptor unnamed = CreateUnnamed(FolderOf(resolved)); unnamed.valid()) {
    file_ = std::move(unnamed);
    mode_ = Mode::kUnnamed;
  } else if (FileDescriptor named = CreateNamed(temporary_); named.valid()) {
    file_ = std::move(named);
    mode_ = Mode::kNamed;
  } else if (replacing_ && (errno == EACCES || errno == EPERM)) {
    // The folder takes no new file, but the file itself may be written: it is rewritten.
    file_.Reset(::open(resolved.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (!file_.valid() || ::fstat(file_.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) {
      Discard();
      return false;
    }
    mode_ = Mode::kInPlace;
    return true;
  } else {
    Discard();
    return false;
  }
  if (replacing_) KeepOwnerAndMode(file_.get(), existing);
  return true;
}

bool FileReplacement::Write(std::string_view bytes) {
  if (!file_.valid() || !WriteAll(file_.get(), bytes)) return false;
  written_ += bytes.size();
  constexpr std::uint64_t kWritebackStep = 4 * 1024 * 1024;
  if (replacing_ && written_ - writebackFrom_ >= kWritebackStep) {
    // Only a hint: its failure changes nothing, Commit's fsync still makes the file durable.
    ::sync_file_range(file_.get(), static_cast<off_t>(writebackFrom_),
                      static_cast<off_t>(written_ - writebackFrom_), SYNC_FILE_RANGE_WRITE);
    writebackFrom_ = written_;
  }
  return true;
}

bool FileReplacement::Commit() {
  if (mode_ == Mode::kNone) return false;
  // Before a good file is replaced, the new content must be on the disk: after a crash the
  // target then holds either the old or the whole new content, never a cut-off file.
  bool done = !replacing_ || ::fsync(file_.get()) == 0;
  if (done && mode_ == Mode::kUnnamed) {
    // A link cannot replace a file, so the content is linked in under the temporary name (taking
    // it over from a killed writer) and renamed over the target from there.
    const std::string self = "/proc/self/fd/" + std::to_string(file_.get());
    const auto link = [&] {
      return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary_.c_str(), AT_SYMLINK_FOLLOW) == 0;
    };
    done = link() || (errno == EEXIST && RemoveStale(temporary_) && link());
    if (done) mode_ = Mode::kNamed;
  }
  if (done && mode_ == Mode::kNamed) {
    done = ::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (done) mode_ = Mode::kInPlace;  // the content has the target's name now
  }
  // The temporary name goes while its file is still locked; the lock goes with the close.
  if (mode_ == Mode::kNamed) ::unlink(temporary_.c_str());
  done = file_.Close() && done;
  mode_ = Mode::kNone;
  Discard();
  return done;
}

void FileReplacement::Discard() {
  if (mode_ == Mode::kNamed) ::unlink(temporary_.c_str());
  file_.Close();
  mode_ = Mode::kNone;
  replacing_ = false;
  written_ = 0;
  writebackFrom_ = 0;
  target_.clear();
  temporary_.clear();
}

namespace detail {
void SetUnnamedTemporaryFiles(bool allowed) { unnamedAllowed.store(allowed); }
}  // namespace detail

}  // namespace rk
