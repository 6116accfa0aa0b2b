#pragma once
// A set of map records by address. The table is open (one slot array of a power of two, probed
// in a row), so the tens of thousands of maps a tree places at every start are entered and
// looked up without an allocation each.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace vorlix {

class TMap_Record;

class TMap_Set {
 public:
  TMap_Set() = default;
  TMap_Set(std::initializer_list<const TMap_Record*> maps) {
    for (const TMap_Record* map : maps) {
      Insert(map);
    }
  }

  // Enters the map; false when it is there already. A null pointer is never entered.
  bool Insert(const TMap_Record* map) {
    if (map == nullptr) {
      return false;
    }
    if (2 * (Count_ + 1) > Slots_.size()) {
      Grow();
    }
    const std::size_t at = Slot_Of(map);
    if (Slots_[at] != nullptr) {
      return false;
    }
    Slots_[at] = map;
    ++Count_;
    return true;
  }
  bool Contains(const TMap_Record* map) const {
    return map != nullptr && Count_ != 0 && Slots_[Slot_Of(map)] != nullptr;
  }
  bool Empty() const { return Count_ == 0; }
  std::size_t Size() const { return Count_; }

 private:
  // The slot that holds `map`, or the empty one where it belongs.
  std::size_t Slot_Of(const TMap_Record* map) const {
    const std::size_t mask = Slots_.size() - 1;
    // Records are aligned: the low bits say nothing, the multiplication spreads the others.
    std::size_t at =
        static_cast<std::size_t>(
            (reinterpret_cast<std::uintptr_t>(map) >> 4U) * 0x9E3779B97F4A7C15ULL >> 16U) &
        mask;
    while (Slots_[at] != nullptr && Slots_[at] != map) {
      at = (at + 1) & mask;
    }
    return at;
  }
  void Grow() {
    std::vector<const TMap_Record*> old(Slots_.empty() ? 16 : 2 * Slots_.size(), nullptr);
    old.swap(Slots_);
    for (const TMap_Record* map : old) {
      if (map != nullptr) {
        Slots_[Slot_Of(map)] = map;
      }
    }
  }

  std::vector<const TMap_Record*> Slots_;
  std::size_t Count_ = 0;
};

}  // namespace vorlix
