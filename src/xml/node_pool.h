#pragma once
// Fixed-size node records of one document, taken from blocks; the blocks go with the pool.

#include <cstddef>

#include "xml/memory.h"

namespace rk::xml {

struct XmlNode;

class NodePool {
 public:
  explicit NodePool(const BlockMemory& memory) : memory_(memory) {}
  ~NodePool();
  NodePool(const NodePool&) = delete;
  NodePool& operator=(const NodePool&) = delete;

  // A zeroed record, or nullptr when memory ran out.
  [[nodiscard]] XmlNode* Take();

  // Number of records handed out.
  std::size_t count() const { return handedOut_; }

 private:
  struct alignas(16) BlockHeader {
    BlockHeader* next;
  };

  const BlockMemory& memory_;
  BlockHeader* blocks_ = nullptr;
  XmlNode* next_ = nullptr;
  std::size_t leftInBlock_ = 0;
  std::size_t handedOut_ = 0;
};

}  // namespace rk::xml
