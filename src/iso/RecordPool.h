// Records of the directory tree, allocated in blocks that the tree owns.
//
// A tree of a large disc holds tens of thousands of records: one allocation per block
// instead of one per record, and a reset that frees the blocks in one go. A record
// keeps its address until the pool is cleared, so records may point at each other.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace tarnwick {

template <typename T>
class TRecordPool {
 public:
  static constexpr std::size_t kBlock = 256;

  // A new default record, valid until Clear.
  T* New() {
    if (size_ % kBlock == 0) blocks_.push_back(std::make_unique<T[]>(kBlock));
    T* record = &blocks_[size_ / kBlock][size_ % kBlock];
    ++size_;
    return record;
  }
  T* operator[](std::size_t i) const { return &blocks_[i / kBlock][i % kBlock]; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void Clear() {
    blocks_.clear();
    size_ = 0;
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

}  // namespace tarnwick
