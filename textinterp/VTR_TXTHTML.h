// The text interpreter: which entries it edits, the mapping between an entry's bytes and the
// editor's text, and the private preview file. The entry being edited is a TextEntry, which the
// editor window holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/VTR_STR.h"

namespace VTR_TXTHTML {

// The preview file: "vttemp.html" in the user's private temporary folder.
std::string TempHtmlPath();

VTR_STR::InterpreterInfo TextInitialise();

// True when the last three characters of `name`, lower-cased, are txt, ini, htm, tml or wnd.
bool IsTextFile(std::string_view name);
std::string WriteTextData(const std::string& text);
// Removes the preview file at `path` if there is one.
void DeleteTempFile(const std::string& path);
// Writes `bytes` as the preview file at `path` (in the private folder), readable by the user only.
void WritePreviewFile(const std::string& path, const std::string& bytes);

// --- Display mapping ---
// The editor shows every byte as its code-page character. Line breaks in the entry's own
// convention become real line breaks; every other CR or LF and every NUL, which an editor would
// rewrite or drop, is shown as a placeholder the code page never produces, so that the text maps
// back to the very same bytes.
enum class LineBreak { LF, CRLF };

inline constexpr char16_t kCrSymbol = u'\u240D';
inline constexpr char16_t kLfSymbol = u'\u240A';
inline constexpr char16_t kNulSymbol = u'\u2400';

// CRLF when CR LF pairs are at least as many as lone LFs (and there is one), else LF.
LineBreak DetectLineBreak(const std::string& bytes);
// Line breaks are returned as '\n'.
std::u16string ToDisplayText(const std::string& bytes);
// Accepts '\n', CR, CR LF, U+2028 and U+2029 as line breaks and writes each as `convention`.
// Stops at the first character the code page cannot hold: `badIndex` is its index, or -1.
std::string FromDisplayText(const std::u16string& text, LineBreak convention,
                            std::ptrdiff_t& badIndex);
// The 1-based line of `text` on which index `index` stands.
std::size_t LineOfIndex(const std::u16string& text, std::size_t index);
// The code point at `index`, joining a surrogate pair.
char32_t CodePointAt(const std::u16string& text, std::size_t index);

}  // namespace VTR_TXTHTML
