#include "quantize/colour_slots.h"

ColourSlots::ColourSlots(std::size_t expected) {
    int bits = 10;
    while (bits < 26 && (std::size_t{1} << bits) < 2 * expected) {
        ++bits;
    }
    keys_.assign(std::size_t{1} << bits, kEmpty);
    values_.assign(keys_.size(), 0);
    shift_ = 32 - bits;
}

void ColourSlots::Grow() {
    std::vector<std::uint32_t> oldKeys(keys_.size() * 2, kEmpty);
    std::vector<std::uint32_t> oldValues(keys_.size() * 2, 0);
    oldKeys.swap(keys_);
    oldValues.swap(values_);
    --shift_;
    const std::size_t mask = keys_.size() - 1;
    for (std::size_t i = 0; i < oldKeys.size(); ++i) {
        if (oldKeys[i] == kEmpty) {
            continue;
        }
        std::size_t slot = SlotOf(oldKeys[i]);
        while (keys_[slot] != kEmpty) {
            slot = (slot + 1) & mask;
        }
        keys_[slot] = oldKeys[i];
        values_[slot] = oldValues[i];
    }
}

std::uint32_t& ColourSlots::FindOrAdd(std::uint32_t colour, std::uint32_t valueIfNew, bool& added) {
    const std::size_t mask = keys_.size() - 1;
    std::size_t slot = SlotOf(colour);
    while (keys_[slot] != kEmpty) {
        if (keys_[slot] == colour) {
            added = false;
            return values_[slot];
        }
        slot = (slot + 1) & mask;
    }
    if (2 * (count_ + 1) > keys_.size()) {
        Grow();
        return FindOrAdd(colour, valueIfNew, added);
    }
    keys_[slot] = colour;
    values_[slot] = valueIfNew;
    ++count_;
    added = true;
    return values_[slot];
}
