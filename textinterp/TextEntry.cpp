#include "textinterp/TextEntry.h"

namespace VTR_TXTHTML {

std::ptrdiff_t TextEntry::SetDisplayText(const std::u16string& text) {
    std::ptrdiff_t badIndex = -1;
    std::string bytes = FromDisplayText(text, convention_, badIndex);
    if (badIndex < 0) Data = std::move(bytes);
    return badIndex;
}

}  // namespace VTR_TXTHTML
