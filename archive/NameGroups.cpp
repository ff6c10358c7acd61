#include "archive/NameGroups.h"

#include <algorithm>
#include <numeric>

#include "archive/CaseFold.h"

namespace VTR_CORE {

std::size_t NameGroups::Add(std::string_view name) {
    scratch_.resize(name.size());
    for (std::size_t i = 0; i < name.size(); ++i)
        scratch_[i] = static_cast<char>(CaseFold::Fold(static_cast<unsigned char>(name[i])));
    const std::uint64_t hash = CaseFold::FoldedHash(scratch_);
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
