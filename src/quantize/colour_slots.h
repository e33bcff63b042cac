// An open-addressing hash table from 24-bit colour values to 32-bit numbers,
// for the colour census and the nearest-entry cache: millions of look-ups per
// texture, so no node allocation and no standard-library hashing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ColourSlots {
  public:
    explicit ColourSlots(std::size_t expected = 0);

    // The value of `colour`, adding it with `valueIfNew` when absent; `added`
    // tells which. The reference is valid until the next call.
    std::uint32_t& FindOrAdd(std::uint32_t colour, std::uint32_t valueIfNew, bool& added);

    std::size_t size() const { return count_; }

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu; // no colour value has bits 24-31 set

    void Grow();
    std::size_t SlotOf(std::uint32_t colour) const {
        return static_cast<std::size_t>((colour * 0x9E3779B1u) >> shift_);
    }

    std::vector<std::uint32_t> keys_;
    std::vector<std::uint32_t> values_;
    std::size_t count_ = 0;
    int shift_ = 0;
};
