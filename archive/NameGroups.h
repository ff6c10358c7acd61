// Names grouped as the archives' readers compare them (without regard to letter case), for work
// over many names at once: no allocation per name, and each group's folded bytes kept once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace VTR_CORE {

class NameGroups {
public:
    NameGroups();
    // The group of `name`: groups are numbered 0, 1, ... in the order their first name came.
    std::size_t Add(std::string_view name);
    std::size_t Count() const { return keys_.size(); }
    // The group numbers in name order: by their folded bytes (CaseFold::FoldedName).
    std::vector<std::size_t> InNameOrder() const;

private:
    struct Key {
        std::size_t offset;  // of the folded bytes in folded_
        std::size_t size;
        std::uint64_t hash;
    };
    std::string_view Folded(const Key& key) const {
        return {folded_.data() + key.offset, key.size};
    }
    void Grow();

    std::array<char, 256> fold_;  // CaseFold::Fold of every byte, looked up without a call
    std::string folded_;
    std::vector<Key> keys_;
    std::vector<std::size_t> slots_;  // open addressing: a group number + 1, or 0 when empty
    std::string scratch_;
};

}  // namespace VTR_CORE
