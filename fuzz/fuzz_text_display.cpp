// The text interpreter's display mapping on arbitrary bytes. Properties: the editor's text maps
// back to exactly the entry's bytes, every character of it is one the code page can hold, and
// the text carries no character an editing widget would rewrite or drop (CR, NUL).
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "textinterp/VTR_TXTHTML.h"

using fuzzsupport::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzzsupport::AsBytes(data, size);
    const auto convention = VTR_TXTHTML::DetectLineBreak(bytes);
    const std::u16string text = VTR_TXTHTML::ToDisplayText(bytes);
    Require(text.find(u'\r') == std::u16string::npos, "the display text holds a CR");
    Require(text.find(u'\0') == std::u16string::npos, "the display text holds a NUL");

    std::ptrdiff_t badIndex = 0;
    const std::string back = VTR_TXTHTML::FromDisplayText(text, convention, badIndex);
    Require(badIndex == -1, "the display text holds a character the code page cannot map");
    Require(back == bytes, "bytes to display text and back are not the same bytes");

    // What the editor hands back unchanged shows again as the same text.
    Require(VTR_TXTHTML::ToDisplayText(back) == text, "the display text is not stable");
    return 0;
}
