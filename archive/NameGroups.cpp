#include "archive/NameGroups.h"

#include <algorithm>
#include <numeric>

#include "archive/CaseFold.h"

namespace VTR_CORE {

NameGroups::NameGroups() {
    for (std::size_t c = 0; c < fold_.size(); ++c)
        fold_[c] = static_cast<char>(CaseFold::Fold(static_cast<unsigned char>(c)));
}

std::size_t NameGroups::Add(std::string_view name) {
    // The folded bytes and their hash (FNV-1a) in one pass.
    scratch_.resize(name.size());
    std::uint64_t hash = 14695981039346656037u;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char folded = fold_[static_cast<unsigned char>(name[i])];
        scratch_[i] = folded;
        hash = (hash ^ static_cast<unsigned char>(folded)) * 1099511628211u;
    }
    if (2 * (keys_.size() + 1) > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        if (slots_[at] == 0) {
            keys_.push_back({folded_.size(), scratch_.size(), hash});
            folded_ += scratch_;
            slots_[at] = keys_.size();
            return keys_.size() - 1;
        }
        const Key& key = keys_[slots_[at] - 1];
        if (key.hash == hash && Folded(key) == scratch_) return slots_[at] - 1;
    }
}

void NameGroups::Grow() {
    slots_.assign(std::max<std::size_t>(16, 2 * slots_.size()), 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t group = 0; group < keys_.size(); ++group) {
        std::size_t at = keys_[group].hash & mask;
        while (slots_[at] != 0) at = (at + 1) & mask;
        slots_[at] = group + 1;
    }
}

std::vector<std::size_t> NameGroups::InNameOrder() const {
    std::vector<std::size_t> order(keys_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return Folded(keys_[a]) < Folded(keys_[b]); });
    return order;
}

}  // namespace VTR_CORE
