#include "xml/arena.h"

#include <cstdint>
#include <new>

namespace rk::xml {

StringArena::~StringArena() {
  while (blocks_ != nullptr) {
    BlockHeader* next = blocks_->next;
    memory_.Free(blocks_);
    blocks_ = next;
  }
  while (ownBlocks_ != nullptr) {
    OwnHeader* next = ownBlocks_->next;
    memory_.Free(ownBlocks_);
    ownBlocks_ = next;
  }
}

bool StringArena::AddBlock(std::size_t bytes) {
  std::size_t size = bytes;
  if (blocks_ == nullptr && firstBlockSize_ > size) size = firstBlockSize_;
  if (blocks_ != nullptr && kBlockSize > size) size = kBlockSize;
  if (size > static_cast<std::size_t>(-1) - sizeof(BlockHeader)) return false;
  void* memory = memory_.Allocate(sizeof(BlockHeader) + size);
  if (memory == nullptr) return false;
  auto* header = new (memory) BlockHeader{blocks_};
  blocks_ = header;
  next_ = reinterpret_cast<char*>(header + 1);
  end_ = next_ + size;
  return true;
}

ArenaPiece StringArena::AllocateOwn(std::size_t bytes) {
  if (bytes > static_cast<std::size_t>(-1) - sizeof(OwnHeader)) return {};
  void* memory = memory_.Allocate(sizeof(OwnHeader) + bytes);
  if (memory == nullptr) return {};
  auto* header = new (memory) OwnHeader{nullptr, ownBlocks_};
  if (ownBlocks_ != nullptr) ownBlocks_->previous = header;
  ownBlocks_ = header;
  return {header + 1, true};
}

ArenaPiece StringArena::AllocateInNewBlock(std::size_t bytes, std::size_t alignment) {
  if (bytes == 0) return Allocate(1, alignment);
  if (bytes > kLargePiece) return AllocateOwn(bytes);
  // A fresh block starts aligned to 16, so the piece fits at its start.
  if (!AddBlock(bytes)) return AllocateOwn(bytes);
  char* place = next_;
  next_ = place + bytes;
  return {place, false};
}

void StringArena::Release(void* data) {
  if (data == nullptr) return;
  OwnHeader* header = static_cast<OwnHeader*>(data) - 1;
  if (header->previous != nullptr) {
    header->previous->next = header->next;
  } else {
    ownBlocks_ = header->next;
  }
  if (header->next != nullptr) header->next->previous = header->previous;
  memory_.Free(header);
}

}  // namespace rk::xml
