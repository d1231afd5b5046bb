#pragma once
// An open file descriptor that is closed with its owner.

#include <unistd.h>

#include <utility>

namespace rk {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(FileDescriptor&& other) noexcept : descriptor_(other.Release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return descriptor_; }
  bool valid() const { return descriptor_ >= 0; }
  // Closes the descriptor; false when the close reported an error (a lost write).
  bool Close() { return descriptor_ < 0 || ::close(std::exchange(descriptor_, -1)) == 0; }
  void Reset(int descriptor) {
    Close();
    descriptor_ = descriptor;
  }
  // Gives the descriptor up without closing it.
  int Release() { return std::exchange(descriptor_, -1); }

 private:
  int descriptor_ = -1;
};

}  // namespace rk
