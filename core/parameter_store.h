// The locked owner of a filter's live settings: the block, the engine-dirty and
// persistence-dirty flags, two editor notification slots and the two pin
// formats. Three threads meet here (editor, host, streaming); the lock is held
// only to copy at most 64 bytes, swap a flag or post two messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "core/lock.h"
#include "core/parameter_block.h"
#include "core/wave_format.h"

namespace orkv {

// Where editor notifications go. On Windows an endpoint is a window handle,
// asked with IsWindow and sent a posted WM_COMMAND; tests may substitute their own.
class EditorPort {
 public:
  virtual bool Exists(std::uintptr_t endpoint) const = 0;
  // Queues (identifier, event code) to the endpoint without waiting.
  virtual void Post(std::uintptr_t endpoint, std::uint32_t identifier,
                    std::uint32_t code) const = 0;

 protected:
  ~EditorPort() = default;
};

// Event codes posted to editors.
inline constexpr std::uint32_t kEventInputFormat = 0;
inline constexpr std::uint32_t kEventOutputFormat = 1;
inline constexpr std::uint32_t kEventSettingsLoaded = 100;

template <std::size_t N>
class ParameterStore {
 public:
  using Block = ParameterBlock<N>;
  static constexpr std::size_t kSlotCount = N;

  ParameterStore(const std::array<SlotSpec, N>& slots, const EditorPort& port)
      : slots_(slots), port_(port) {}

  ParameterStore(const ParameterStore&) = delete;
  ParameterStore& operator=(const ParameterStore&) = delete;

  const std::array<SlotSpec, N>& Slots() const { return slots_; }

  Block GetParameters() const {
    std::lock_guard guard(lock_);
    return live_;
  }

  // Copies the whole block, raises both flags whether or not anything differs,
  // then clamps slot by slot in place.
  void SetParameters(const Block& block) {
    std::lock_guard guard(lock_);
    live_ = block;
    engineDirty_ = true;
    persistenceDirty_ = true;
    for (std::size_t i = 0; i < N; ++i) live_[i] = ClampToSlot(live_[i], slots_[i]);
  }

  // Slot index must be below N; callers check it.
  double GetParam(std::size_t slot) const {
    std::lock_guard guard(lock_);
    return live_[slot];
  }

  // Clamps before taking the lock; stores and raises both flags only when the
  // clamped value differs from the stored one (+0.0 equals -0.0).
  void SetParam(std::size_t slot, double value) {
    const double clamped = ClampToSlot(value, slots_[slot]);
    std::lock_guard guard(lock_);
    if (clamped == live_[slot]) return;
    live_[slot] = clamped;
    engineDirty_ = true;
    persistenceDirty_ = true;
  }

  // The engine's only way to read settings: a consistent copy, and whether it
  // changed since the previous snapshot.
  bool TakeSnapshot(Block& out) {
    std::lock_guard guard(lock_);
    out = live_;
    const bool changed = engineDirty_;
    engineDirty_ = false;
    return changed;
  }

  // After `saved` was written: clears the persistence-dirty flag, unless the
  // live block has changed since that copy was taken (compared and cleared in
  // one hold, so a change racing the save stays flagged).
  void MarkSaved(const Block& saved) {
    std::lock_guard guard(lock_);
    if (std::memcmp(&saved, &live_, sizeof(Block)) == 0) persistenceDirty_ = false;
  }

  bool IsPersistenceDirty() const {
    std::lock_guard guard(lock_);
    return persistenceDirty_;
  }
  void SetPersistenceDirty(bool dirty) {
    std::lock_guard guard(lock_);
    persistenceDirty_ = dirty;
  }

  // Registers, re-registers (identifier non-zero) or removes (identifier 0) an
  // editor endpoint. Returns false when a new endpoint finds both slots taken.
  bool SetNotifyWindow(std::uintptr_t endpoint, std::uint32_t identifier) {
    std::lock_guard guard(lock_);
    Editor* chosen = nullptr;
    Editor* lastFree = nullptr;
    for (Editor& e : editors_) {
      if (e.endpoint == endpoint) {
        chosen = &e;
        break;
      }
      if (e.endpoint == 0) lastFree = &e;
    }
    if (chosen == nullptr) chosen = lastFree;
    if (chosen == nullptr) return identifier == 0;
    chosen->identifier = identifier;
    chosen->endpoint = identifier != 0 ? endpoint : 0;
    return true;
  }

  // Posts the event to every registered editor, slot 0 first; an endpoint that
  // no longer exists loses its slot.
  void NotifyEditors(std::uint32_t code) {
    std::lock_guard guard(lock_);
    for (Editor& e : editors_) {
      if (e.endpoint == 0) continue;
      if (port_.Exists(e.endpoint)) {
        port_.Post(e.endpoint, e.identifier, code);
      } else {
        e = Editor{};
      }
    }
  }

  // Pin 0 is the input, pin 1 the output; null while that pin has no type
  // (set when its type is chosen, cleared when its connection fails or breaks).
  const WaveFormat* PinFormat(int pin) const {
    std::lock_guard guard(lock_);
    return (pin == 0 || pin == 1) ? formats_[static_cast<std::size_t>(pin)] : nullptr;
  }
  void SetPinFormat(int pin, const WaveFormat* format) {
    std::lock_guard guard(lock_);
    formats_[pin == 0 ? 0 : 1] = format;
  }

 private:
  struct Editor {
    std::uintptr_t endpoint = 0;
    std::uint32_t identifier = 0;
  };

  const std::array<SlotSpec, N>& slots_;
  const EditorPort& port_;
  mutable RecursiveLock lock_;
  Block live_{};
  bool engineDirty_ = true;
  bool persistenceDirty_ = false;
  std::array<Editor, 2> editors_{};
  std::array<const WaveFormat*, 2> formats_{};
};

}  // namespace orkv
