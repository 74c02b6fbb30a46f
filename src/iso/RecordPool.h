// Records of the directory tree, allocated in large pieces that the tree owns.
//
// A tree of a large disc holds tens of thousands of records: a few pieces of memory
// instead of one allocation per record, records built one by one as they are needed
// (memory not yet used is never touched), and a reset that frees the pieces in one go
// (all but the first, which the next tree reuses).
// The pieces after the first are large enough for the system to back them with large
// pages. A record keeps its address until the pool is cleared, so records may point
// at each other.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "platform/BulkMemory.h"

namespace tarnwick {

template <typename T>
class TRecordPool {
 public:
  // The first piece holds a small tree; every later one is this large.
  static constexpr std::size_t kFirstBytes = std::size_t{32} << 10;
  static constexpr std::size_t kPieceBytes = std::size_t{4} << 20;
  static constexpr std::size_t kFirst = kFirstBytes / sizeof(T);
  static constexpr std::size_t kPiece = kPieceBytes / sizeof(T);
  static_assert(kFirst > 0 && kPiece > 0);

  TRecordPool() = default;
  TRecordPool(const TRecordPool&) = delete;
  TRecordPool& operator=(const TRecordPool&) = delete;
  ~TRecordPool() { Truncate(0); }

  // A new default record, valid until Clear.
  T* New() {
    if (size_ == Capacity()) {
      const std::size_t bytes = pieces_.empty() ? kFirstBytes : kPieceBytes;
      platform::BulkMemory piece = platform::AllocateBulkMemory(bytes);
      if (!piece) throw std::bad_alloc();
      pieces_.push_back(std::move(piece));
    }
    T* record = std::construct_at(At(size_));
    ++size_;
    return record;
  }
  T* operator[](std::size_t i) const { return At(i); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Destroys the records from `count` on; the memory stays for the next ones.
  void Truncate(std::size_t count) {
    while (size_ > count) std::destroy_at(At(--size_));
  }
  // Destroys every record and gives back every piece but the first: a small tree made
  // again and again (each import starts a new one) costs no call to the system.
  void Clear() {
    Truncate(0);
    if (pieces_.size() > 1) pieces_.erase(pieces_.begin() + 1, pieces_.end());
  }

 private:
  std::size_t Capacity() const { return pieces_.empty() ? 0 : kFirst + (pieces_.size() - 1) * kPiece; }
  T* At(std::size_t i) const {
    if (i < kFirst) return static_cast<T*>(pieces_[0].get()) + i;
    i -= kFirst;
    return static_cast<T*>(pieces_[1 + i / kPiece].get()) + i % kPiece;
  }

  std::vector<platform::BulkMemory> pieces_;
  std::size_t size_ = 0;
};

}  // namespace tarnwick
