#include "archive/EntryName.h"

#include <algorithm>
#include <cstring>

namespace VTR_CORE {

namespace {

constexpr std::size_t BlockSize = 64 * 1024;

std::shared_ptr<char[]> NewBlock(std::size_t size) {
    // Left uninitialised: every byte handed out is written before it is read.
    return std::shared_ptr<char[]>(new char[size]);
}

}  // namespace

void EntryName::Assign(std::string_view text) {
    if (text.empty()) {
        *this = EntryName();
        return;
    }
    std::shared_ptr<char[]> block = NewBlock(text.size());
    std::memcpy(block.get(), text.data(), text.size());
    data_ = block.get();
    size_ = static_cast<std::uint32_t>(text.size());
    block_ = std::move(block);
}

EntryName NameBlocks::Add(std::string_view text) {
    if (text.empty()) return EntryName();
    if (text.size() > capacity_ - used_) {
        if (text.size() > BlockSize) return EntryName(text);
        std::shared_ptr<char[]> block = NewBlock(BlockSize);
        free_ = block.get();
        block_ = std::move(block);
        used_ = 0;
        capacity_ = BlockSize;
    }
    char* at = free_ + used_;
    std::memcpy(at, text.data(), text.size());
    used_ += text.size();
    return EntryName(block_, at, static_cast<std::uint32_t>(text.size()));
}

}  // namespace VTR_CORE
