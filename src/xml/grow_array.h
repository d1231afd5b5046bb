#pragma once
// A growable array of plain values whose growth reports failure instead of throwing, so it
// can be used inside Expat's callbacks and on the formatting paths that must stay consistent
// when memory runs out.

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "xml/memory.h"

namespace rk::xml {

template <typename T>
class GrowArray {
  static_assert(std::is_trivially_copyable_v<T>, "GrowArray holds plain values only");

 public:
  explicit GrowArray(const BlockMemory& memory) : memory_(memory) {}
  ~GrowArray() { memory_.Free(data_); }
  GrowArray(const GrowArray&) = delete;
  GrowArray& operator=(const GrowArray&) = delete;

  // Makes room for `extra` more values; false when memory runs out (the content is kept).
  [[nodiscard]] bool Reserve(std::size_t extra) {
    if (capacity_ - size_ >= extra) return true;
    constexpr std::size_t kMax = static_cast<std::size_t>(-1) / sizeof(T);
    if (extra > kMax - size_) return false;
    std::size_t wanted = size_ + extra;
    std::size_t grown = capacity_ < 64 ? 64 : capacity_;
    while (grown < wanted) grown = grown > kMax / 2 ? kMax : grown * 2;
    void* moved = memory_.Resize(data_, grown * sizeof(T));
    if (moved == nullptr) return false;
    data_ = static_cast<T*>(moved);
    capacity_ = grown;
    return true;
  }

  [[nodiscard]] bool Push(const T& value) {
    if (!Reserve(1)) return false;
    data_[size_++] = value;
    return true;
  }

  [[nodiscard]] bool Append(const T* values, std::size_t count) {
    if (count == 0) return true;
    if (!Reserve(count)) return false;
    std::memcpy(data_ + size_, values, count * sizeof(T));
    size_ += count;
    return true;
  }

  // Appends without a capacity check; the caller reserved the room before.
  void PushReserved(const T& value) { data_[size_++] = value; }

  // The reserved room after the last value, filled by the caller and then taken in with
  // AddReserved.
  T* ReservedEnd() { return data_ + size_; }
  void AddReserved(std::size_t count) { size_ += count; }

  void Truncate(std::size_t size) {
    if (size < size_) size_ = size;
  }
  void Clear() { size_ = 0; }
  void Pop() { --size_; }

  T* data() { return data_; }
  const T* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& back() { return data_[size_ - 1]; }
  T& operator[](std::size_t index) { return data_[index]; }

 private:
  const BlockMemory& memory_;
  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace rk::xml
