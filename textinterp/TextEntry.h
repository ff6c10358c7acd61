// One text entry being edited: its archive entry index, its bytes, and the mapping between those
// bytes and the text an editor shows. Several can be open at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "textinterp/VTR_TXTHTML.h"

namespace VTR_TXTHTML {

class TextEntry {
public:
    TextEntry() = default;
    TextEntry(std::int32_t entryIndex, std::string data)
        : EntryIndex(entryIndex), Data(std::move(data)), convention_(DetectLineBreak(Data)) {}

    std::int32_t EntryIndex = 0;
    std::string Data;

    // The line breaks the entry had when it was read; edited text is written back with them.
    LineBreak Convention() const { return convention_; }
    std::u16string DisplayText() const { return ToDisplayText(Data); }

private:
    LineBreak convention_ = LineBreak::LF;
};

}  // namespace VTR_TXTHTML
