// The handles a platform hands out for volumes and files, and the drive letters of
// the virtual drives, under one lock. `FileRef` is what a file handle stands for on
// the system (shared, so a write can go on without the lock while the handle closes).
#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <variant>
#include <vector>

#include "platform/PassThroughCall.h"
#include "platform/Platform.h"

namespace tarnwick::platform {

template <typename FileRef>
class THandleTable {
 public:
  // A volume's commands go to `target`; a virtual one loses it when its drive goes.
  Handle AddVolume(std::shared_ptr<IScsiTarget> target, bool isVirtual) {
    return Add(Volume{std::move(target), isVirtual});
  }
  Handle AddFile(FileRef file) { return Add(std::move(file)); }
  // False when the handle is none of this table's.
  bool Close(Handle handle) {
    std::lock_guard lock(mutex_);
    return entries_.erase(handle) > 0;
  }
  // What a file handle stands for; empty for any other handle.
  FileRef File(Handle handle) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(handle);
    if (it == entries_.end() || !std::holds_alternative<FileRef>(it->second)) return FileRef{};
    return std::get<FileRef>(it->second);
  }

  // A volume handle's control call, made without the lock (see VolumeControl); a
  // handle that is no volume's is EBADF. `lastError` keeps the errno of the outcome.
  bool Control(Handle volume, std::uint32_t code, void* in, std::uint32_t inLength, void* out,
               std::uint32_t outLength, std::uint32_t* returned, std::atomic<int>& lastError) {
    if (returned != nullptr) *returned = 0;
    std::shared_ptr<IScsiTarget> target;
    {
      std::lock_guard lock(mutex_);
      const auto it = entries_.find(volume);
      if (it == entries_.end() || !std::holds_alternative<Volume>(it->second)) {
        lastError = EBADF;
        return false;
      }
      target = std::get<Volume>(it->second).target;
    }
    int error = 0;
    const bool ok = VolumeControl(target.get(), code, in, inLength, out, outLength, returned, &error);
    lastError = ok ? 0 : error;
    return ok;
  }

  // The virtual drive with this letter, or none.
  std::shared_ptr<IScsiTarget> VirtualTarget(char letter) const {
    std::lock_guard lock(mutex_);
    for (const auto& [drive, target] : virtualDrives_)
      if (drive == letter) return target;
    return nullptr;
  }
  // The letter after the last virtual drive's, at least `first`, passing over the
  // letters `taken(letter)` says the system uses; 0 when none is left up to Z.
  template <typename Taken>
  char AddVirtualDrive(std::shared_ptr<IScsiTarget> target, int first, Taken taken) {
    std::lock_guard lock(mutex_);
    int next = first;
    for (const auto& drive : virtualDrives_) next = std::max(next, drive.first + 1);
    while (next <= 'Z' && taken(static_cast<char>(next))) ++next;
    if (next > 'Z') return 0;
    const char letter = static_cast<char>(next);
    virtualDrives_.emplace_back(letter, std::move(target));
    return letter;
  }
  // Forgets every virtual drive; their open volume handles stay but answer ENODEV.
  void RemoveVirtualDrives() {
    std::lock_guard lock(mutex_);
    virtualDrives_.clear();
    for (auto& [handle, entry] : entries_) {
      if (auto* volume = std::get_if<Volume>(&entry); volume != nullptr && volume->isVirtual) volume->target.reset();
    }
  }

 private:
  struct Volume {
    std::shared_ptr<IScsiTarget> target;
    bool isVirtual = false;
  };
  using Entry = std::variant<Volume, FileRef>;

  Handle Add(Entry entry) {
    std::lock_guard lock(mutex_);
    const Handle handle = next_++;
    entries_.emplace(handle, std::move(entry));
    return handle;
  }

  mutable std::mutex mutex_;
  std::map<Handle, Entry> entries_;
  Handle next_ = 1;
  std::vector<std::pair<char, std::shared_ptr<IScsiTarget>>> virtualDrives_;
};

}  // namespace tarnwick::platform
