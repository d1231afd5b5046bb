#include "xml/node_pool.h"

#include <algorithm>
#include <new>

#include "xml/document.h"

namespace rk::xml {

NodePool::~NodePool() {
  while (blocks_ != nullptr) {
    BlockHeader* next = blocks_->next;
    memory_.Free(blocks_);
    blocks_ = next;
  }
}

XmlNode* NodePool::Take() {
  if (leftInBlock_ == 0) {
    // Blocks grow with the document: a sixteenth of what was handed out, in steps of 16.
    std::size_t records = std::clamp<std::size_t>(handedOut_ / 16 / 16 * 16, 32, 512);
    // Each record is cleared when it is handed out, in a few wide stores; clearing the whole
    // block at once would be a byte-wise fill that costs more than the node's own work.
    void* memory = memory_.Allocate(sizeof(BlockHeader) + records * sizeof(XmlNode));
    if (memory == nullptr) return nullptr;
    auto* header = new (memory) BlockHeader{blocks_};
    blocks_ = header;
    next_ = reinterpret_cast<XmlNode*>(header + 1);
    leftInBlock_ = records;
  }
  --leftInBlock_;
  ++handedOut_;
  XmlNode* node = next_++;
  *node = XmlNode{};
  return node;
}

}  // namespace rk::xml
