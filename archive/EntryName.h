// An entry's name: its bytes, read-only, cheap to copy. The names of a directory that is read
// share a few large blocks instead of taking one allocation each; a name set by the program
// takes a block of its own. A block lives as long as any name in it.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace VTR_CORE {

class EntryName {
public:
    EntryName() = default;
    EntryName(std::string_view text) { Assign(text); }
    EntryName(const std::string& text) { Assign(text); }
    EntryName(const char* text) { Assign(text); }

    // A name whose bytes lie in `block`, which the caller does not change afterwards.
    EntryName(std::shared_ptr<const char[]> block, const char* data, std::uint32_t size)
        : block_(std::move(block)), data_(data), size_(size) {}

    std::string_view View() const { return {data_, size_}; }
    operator std::string_view() const { return View(); }
    std::string Str() const { return std::string(View()); }

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    char operator[](std::size_t i) const { return data_[i]; }

    friend bool operator==(const EntryName& a, const EntryName& b) { return a.View() == b.View(); }
    friend bool operator==(const EntryName& a, std::string_view b) { return a.View() == b; }
    friend bool operator==(const EntryName& a, const char* b) { return a.View() == b; }
    friend bool operator==(const EntryName& a, const std::string& b) { return a.View() == b; }
    friend std::ostream& operator<<(std::ostream& out, const EntryName& name) {
        return out << name.View();
    }

private:
    void Assign(std::string_view text);

    std::shared_ptr<const char[]> block_;
    const char* data_ = "";
    std::uint32_t size_ = 0;
};

// Hands out room for names in blocks of a fixed size, for a directory being read.
class NameBlocks {
public:
    EntryName Add(std::string_view text);

private:
    std::shared_ptr<const char[]> block_;
    char* free_ = nullptr;
    std::size_t used_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace VTR_CORE
