#include "textinterp/VTR_TXTHTML.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/TempFolder.h"

namespace VTR_TXTHTML {

namespace {

constexpr char16_t kLineSeparator = u'\u2028';
constexpr char16_t kParagraphSeparator = u'\u2029';

void AppendBreak(std::string& bytes, LineBreak convention) {
    if (convention == LineBreak::CRLF) bytes += '\r';
    bytes += '\n';
}

bool IsHighSurrogate(char16_t ch) { return ch >= 0xD800 && ch <= 0xDBFF; }
bool IsLowSurrogate(char16_t ch) { return ch >= 0xDC00 && ch <= 0xDFFF; }

}  // namespace

std::string TempHtmlPath() { return platform::PrivateTempFolder() + "/vttemp.html"; }

VTR_STR::InterpreterInfo TextInitialise() {
    return {"ASCII/HTML parser", "v0.1b", "", "Initialisation completed.", "", true};
}

bool IsTextFile(std::string_view name) {
    if (name.size() < 3) return false;
    std::string ending(name.substr(name.size() - 3));
    for (char& ch : ending) {
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    static constexpr std::array<const char*, 5> kEndings{"txt", "ini", "htm", "tml", "wnd"};
    for (const char* known : kEndings) {
        if (ending == known) return true;
    }
    return false;
}

std::string WriteTextData(const std::string& text) { return text; }

void DeleteTempFile(const std::string& path) {
    if (!path.empty() && platform::FileExists(path)) platform::DeleteFile(path);
}

void WritePreviewFile(const std::string& path, const std::string& bytes) {
    if (path.empty()) throw platform::FileError("No preview file has been set up.");
    platform::EnsurePrivateTempFolder();
    platform::WriteFileAtomic(path, {bytes});
    std::error_code error;
    // The path is UTF-8; a plain string would be read in the system's code page on Windows.
    std::filesystem::permissions(
        std::filesystem::path(std::u8string(path.begin(), path.end())),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
        std::filesystem::perm_options::replace, error);
    if (error)
        throw platform::FileError("Unable to restrict the rights of " + path + ": " +
                                  error.message() + ".");
}

LineBreak DetectLineBreak(const std::string& bytes) {
    std::size_t pairs = 0;
    std::size_t loneFeeds = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        if (i > 0 && bytes[i - 1] == '\r') {
            ++pairs;
        } else {
            ++loneFeeds;
        }
    }
    return pairs > 0 && pairs >= loneFeeds ? LineBreak::CRLF : LineBreak::LF;
}

std::u16string ToDisplayText(const std::string& bytes) {
    const LineBreak convention = DetectLineBreak(bytes);
    std::u16string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char byte = bytes[i];
        if (byte == '\r') {
            const bool pair = i + 1 < bytes.size() && bytes[i + 1] == '\n';
            if (pair && convention == LineBreak::CRLF) {
                text += u'\n';
                ++i;
            } else {
                text += kCrSymbol;
            }
        } else if (byte == '\n') {
            text += convention == LineBreak::LF ? u'\n' : kLfSymbol;
        } else if (byte == '\0') {
            text += kNulSymbol;
        } else {
            text += platform::ByteToChar(static_cast<unsigned char>(byte));
        }
    }
    return text;
}

std::string FromDisplayText(const std::u16string& text, LineBreak convention,
                            std::ptrdiff_t& badIndex) {
    badIndex = -1;
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i];
        if (ch == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            AppendBreak(bytes, convention);
        } else if (ch == u'\n' || ch == kLineSeparator || ch == kParagraphSeparator) {
            AppendBreak(bytes, convention);
        } else if (ch == kCrSymbol) {
            bytes += '\r';
        } else if (ch == kLfSymbol) {
            bytes += '\n';
        } else if (ch == kNulSymbol) {
            bytes += '\0';
        } else {
            const int byte = platform::CharToByte(ch);
            if (byte < 0) {
                badIndex = static_cast<std::ptrdiff_t>(i);
                return bytes;
            }
            bytes += static_cast<char>(byte);
        }
    }
    return bytes;
}

std::size_t LineOfIndex(const std::u16string& text, std::size_t index) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < index && i < text.size(); ++i) {
        const char16_t ch = text[i];
        const bool pairedFeed = ch == u'\n' && i > 0 && text[i - 1] == u'\r';
        if (ch == u'\r' || ch == kLineSeparator || ch == kParagraphSeparator ||
            (ch == u'\n' && !pairedFeed))
            ++line;
    }
    return line;
}

char32_t CodePointAt(const std::u16string& text, std::size_t index) {
    const char16_t ch = text.at(index);
    if (IsHighSurrogate(ch) && index + 1 < text.size() && IsLowSurrogate(text[index + 1]))
        return 0x10000 + ((static_cast<char32_t>(ch) - 0xD800) << 10) + (text[index + 1] - 0xDC00);
    return ch;
}

}  // namespace VTR_TXTHTML
