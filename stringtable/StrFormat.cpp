#include "stringtable/StrFormat.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "archive/Utf8.h"
#include "archive/VTR_STR.h"
#include "platform/CodePage.h"
#include "stringtable/CsfCompare.h"

namespace VTR_CSF {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kLanguageComment = "language:";
constexpr std::string_view kReservedComment = "reserved:";
constexpr std::string_view kEmptyExtra = "\\";
constexpr std::string_view kHex = "0123456789ABCDEF";

// ---- Escapes ----

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
bool IsControl(char16_t u) { return u < 0x20 || (u >= 0x7F && u <= 0x9F); }

void AppendUnitEscape(std::string& out, char16_t unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(unit >> shift) & 0xF]);
}

// Which units must be written as \uXXXX whatever they are: an extra's first or last unit when
// the line would otherwise read differently.
struct Forced {
    bool first = false;
    bool last = false;
};

// A backslash may stand alone only before a printable ASCII character that starts no escape.
bool LoneBackslashReadsBack(std::u16string_view units, std::size_t next, Forced forced) {
    if (next >= units.size() || (forced.last && next + 1 == units.size())) return false;
    const char16_t c = units[next];
    return c >= 0x20 && c < 0x7F && c != u'n' && c != u'r' && c != u'u' && c != u'"' && c != u'\\';
}

bool IsPlain(char16_t u) { return u >= 0x20 && u < 0x7F && u != u'"' && u != u'\\'; }

// Tests eight units without a branch per unit, which the compiler can do side by side.
bool EightPlain(const char16_t* units) {
    bool plain = true;
    for (int k = 0; k < 8; ++k) plain &= IsPlain(units[k]);
    return plain;
}

// Appends the units from `i` that stand for themselves as one byte each; returns where they end.
std::size_t AppendPlainRun(std::string& out, std::u16string_view units, std::size_t i,
                           std::size_t stop) {
    std::size_t end = i;
    while (end + 8 <= stop && EightPlain(units.data() + end)) end += 8;
    while (end < stop && IsPlain(units[end])) ++end;
    if (end == i) return i;
    const std::size_t at = out.size();
    out.resize(at + (end - i));
    char* to = out.data() + at;
    for (std::size_t k = i; k < end; ++k) *to++ = static_cast<char>(units[k]);
    return end;
}

// Appends the unit at `i`, which is forced or does not stand for itself as one byte; returns
// how many units it took (two for a surrogate pair).
std::size_t AppendNonPlain(std::string& out, std::u16string_view units, std::size_t i,
                           Forced forced) {
    const char16_t u = units[i];
    const bool isForced = (i == 0 && forced.first) || (i + 1 == units.size() && forced.last);
    if (isForced) {
        AppendUnitEscape(out, u);
    } else if (u == u'\n') {
        out += "\\n";
    } else if (u == u'\r') {
        out += "\\r";
    } else if (u == u'"') {
        out += "\\\"";
    } else if (u == u'\\') {
        out += LoneBackslashReadsBack(units, i + 1, forced) ? "\\" : "\\\\";
    } else if (IsHighSurrogate(u) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
        Utf8::Append(out, 0x10000 + ((u - 0xD800u) << 10) + (units[i + 1] - 0xDC00u));
        return 2;
    } else if (IsControl(u) || IsHighSurrogate(u) || IsLowSurrogate(u)) {
        AppendUnitEscape(out, u);  // UTF-8 cannot hold an unpaired surrogate
    } else {
        Utf8::Append(out, u);
    }
    return 1;
}

void AppendEscaped(std::string& out, std::u16string_view units, Forced forced = {}) {
    // A forced last unit never joins a plain run; a forced first one is where the loop starts.
    const std::size_t plainStop = forced.last && !units.empty() ? units.size() - 1 : units.size();
    std::size_t i = forced.first ? 0 : AppendPlainRun(out, units, 0, plainStop);
    while (i < units.size()) {
        i += AppendNonPlain(out, units, i, forced);
        i = AppendPlainRun(out, units, i, plainStop);
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The unit of "\uXXXX" at `at` (just after the "u"), or -1 without four hex digits.
int UnitEscapeAt(std::string_view s, std::size_t at) {
    if (s.size() - at < 4) return -1;
    int unit = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        const int digit = HexValue(s[at + k]);
        if (digit < 0) return -1;
        unit = unit << 4 | digit;
    }
    return unit;
}

// The units of valid UTF-8 text with its escapes resolved.
std::u16string Unescape(std::string_view s) {
    std::size_t plain = 0;
    while (plain < s.size() && s[plain] != '\\' && static_cast<unsigned char>(s[plain]) < 0x80)
        ++plain;
    if (plain == s.size()) return std::u16string(s.begin(), s.end());  // ASCII, no escapes
    std::u16string units(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(plain));
    units.reserve(s.size());
    for (std::size_t i = plain; i < s.size();) {
        const char c = s[i];
        if (c == '\\' && i + 1 < s.size()) {
            const char next = s[i + 1];
            const int unit = next == 'u' ? UnitEscapeAt(s, i + 2) : -1;
            const char16_t simple = next == 'n'    ? u'\n'
                                    : next == 'r'  ? u'\r'
                                    : next == '"'  ? u'"'
                                    : next == '\\' ? u'\\'
                                                   : 0;
            if (simple != 0 || unit >= 0) {
                units.push_back(simple != 0 ? simple : static_cast<char16_t>(unit));
                i += simple != 0 ? 2 : 6;
                continue;
            }
        }
        char32_t cp;
        i += Utf8::At(s, i, cp);
        Utf8::AppendUnits(units, cp);
    }
    return units;
}

// The code-page bytes of `units`; on false, `problem` says which character has none.
bool UnitsToCodePage(const std::u16string& units, std::string& bytes, std::string& problem) {
    std::ptrdiff_t bad = -1;
    bytes = platform::TextToBytes(units, bad);
    if (bad < 0) return true;
    std::string unit;
    AppendUnitEscape(unit, units[static_cast<std::size_t>(bad)]);
    problem = " holds the character U+" + unit.substr(2) + ", which Windows-1252 cannot hold";
    return false;
}

// ---- Lines ----

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsEnd(std::string_view s) {
    return s.size() == 3 && (s[0] | 0x20) == 'e' && (s[1] | 0x20) == 'n' && (s[2] | 0x20) == 'd';
}

// Lines of a text ended by CR LF, LF or a lone CR.
class LineReader {
public:
    explicit LineReader(std::string_view text)
        : text_(text), lf_(Find('\n', 0)), cr_(Find('\r', 0)) {}

    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t stop = std::min(Upcoming('\n', lf_), Upcoming('\r', cr_));
        line = text_.substr(pos_, stop - pos_);
        pos_ = stop + (text_.substr(stop, 2) == "\r\n" ? 2 : 1);
        ++number_;
        return true;
    }
    std::size_t Number() const { return number_; }

private:
    std::size_t Find(char c, std::size_t from) const {
        return std::min(text_.find(c, from), text_.size());
    }
    // The next `c` from the current position on; searched again only once passed, so that a
    // text with one kind of line end is not searched to its end for the other kind every line.
    std::size_t Upcoming(char c, std::size_t& cached) const {
        if (cached < pos_) cached = Find(c, pos_);
        return cached;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
    std::size_t lf_, cr_;
};

// The line of the byte at `offset`, which is not a line break.
std::size_t LineOfOffset(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset; ++i)
        if (text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n')) ++line;
    return line;
}

// ---- Reading ----

class Parser {
public:
    Parser(std::string_view text, const std::string& file) : lines_(text), file_(file) {
        // A block written by WriteStr takes four lines; reserving spares moving the labels.
        const auto breaks = std::max(std::count(text.begin(), text.end(), '\n'),
                                     std::count(text.begin(), text.end(), '\r'));
        doc_.Table.Labels.reserve(static_cast<std::size_t>(breaks) / 4 + 1);
        doc_.Lines.reserve(static_cast<std::size_t>(breaks) / 4 + 1);
    }

    StrDocument Run() {
        std::string_view line;
        while (lines_.Next(line)) OnLine(Trim(line));
        if (state_ != State::Label)
            Fail(labelLine_, LabelShown() + " has no END before the end of the file");
        WarnDuplicates();
        return std::move(doc_);
    }

private:
    enum class State { Label, ValueOrEnd, ExtraOrEnd, End };

    void OnLine(std::string_view text) {
        if (text.empty()) return;
        if (text.starts_with("//")) return OnComment(text.substr(2));
        if (IsEnd(text)) return OnEnd();
        switch (state_) {
            case State::Label:
                return StartLabel(text);
            case State::ValueOrEnd:
                if (text.front() == '"') return ReadValue(text);
                return Fail(lines_.Number(),
                            "expected a value in double quotes or END for " + LabelShown());
            case State::ExtraOrEnd:
                if (text.front() == '"')
                    return Fail(lines_.Number(),
                                "a second value line for " + LabelShown() + "; expected END");
                return ReadExtra(text);
            case State::End:
                return Fail(lines_.Number(),
                            "expected END after the extra value of " + LabelShown());
        }
    }

    // "// language: N" and "// reserved: N" before the first block give the header's fields.
    void OnComment(std::string_view text) {
        text = Trim(text);
        if (state_ != State::Label || !doc_.Lines.empty()) return;
        if (HeaderField(text, kLanguageComment, "language", doc_.Table.Language))
            doc_.HasLanguage = true;
        else
            HeaderField(text, kReservedComment, "reserved field", doc_.Table.Reserved);
    }

    // True when `text` is `prefix` and a number, which goes to `field`.
    bool HeaderField(std::string_view text, std::string_view prefix, const char* what,
                     std::uint32_t& field) {
        if (!text.starts_with(prefix)) return false;
        const std::string_view number = Trim(text.substr(prefix.size()));
        if (number.empty() || number.find_first_not_of("0123456789") != std::string_view::npos)
            return false;  // an ordinary comment that happens to start with the word
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), field);
        if (error != std::errc() || end != number.data() + number.size())
            Fail(lines_.Number(),
                 std::string("the ") + what + " must be a number from 0 to 4294967295");
        return true;
    }

    void OnEnd() {
        if (state_ == State::Label) return Warn(lines_.Number(), "END without a label is skipped");
        state_ = State::Label;
    }

    void StartLabel(std::string_view text) {
        labelText_ = text;
        labelLine_ = lines_.Number();
        CsfLabel label;
        label.Name = NameBytes(text);
        label.HasString = false;
        label.StringTag.clear();
        doc_.Table.Labels.push_back(std::move(label));
        doc_.Lines.push_back(labelLine_);
        if (text.front() == '"')
            Warn(labelLine_, "the label name " + std::string(labelText_) +
                                 " starts with a double quote (a value line without its label?)");
        state_ = State::ValueOrEnd;
    }

    void ReadValue(std::string_view text) {
        const std::size_t last = text.rfind('"');
        if (last == 0) return Fail(lines_.Number(), "the value has no closing double quote");
        if (last + 1 < text.size())
            Warn(lines_.Number(), "text after the closing double quote is ignored: " +
                                      std::string(Trim(text.substr(last + 1))));
        CsfLabel& label = doc_.Table.Labels.back();
        label.HasString = true;
        label.StringTag = "RTS";
        label.Value = Unescape(text.substr(1, last - 1));
        state_ = State::ExtraOrEnd;
    }

    void ReadExtra(std::string_view text) {
        CsfLabel& label = doc_.Table.Labels.back();
        label.HasExtra = true;
        if (text != kEmptyExtra) label.Extra = CodePageBytes(Unescape(text), "the extra value");
        state_ = State::End;
    }

    // A label name has no escapes: its text is its characters.
    std::string NameBytes(std::string_view text) {
        for (char c : text)
            if (static_cast<unsigned char>(c) >= 0x80)
                return CodePageBytes(Utf8::ToUnits(text), "the label name");
        return std::string(text);  // ASCII: the same bytes
    }

    std::string CodePageBytes(const std::u16string& units, const char* what) {
        std::string bytes, problem;
        if (!UnitsToCodePage(units, bytes, problem)) Fail(lines_.Number(), what + problem);
        return bytes;
    }

    void WarnDuplicates() {
        const std::vector<std::size_t> first = FirstOfName(doc_.Table);
        for (std::size_t i = 0; i < first.size(); ++i) {
            if (first[i] == i) continue;
            Warn(doc_.Lines[i], "label \"" + EscapeBytes(doc_.Table.Labels[i].Name) +
                                    "\" has the name of the label on line " +
                                    std::to_string(doc_.Lines[first[i]]) +
                                    " (letter case aside); both are kept");
        }
    }

    std::string LabelShown() const { return "label \"" + std::string(labelText_) + "\""; }
    std::string Where(std::size_t line) const {
        return file_ + " line " + std::to_string(line) + ": ";
    }
    void Warn(std::size_t line, const std::string& what) {
        doc_.Warnings.push_back(Where(line) + what);
    }
    [[noreturn]] void Fail(std::size_t line, const std::string& what) const {
        throw VTR_STR::MalformedData(Where(line) + what);
    }

    LineReader lines_;
    const std::string& file_;
    StrDocument doc_;
    State state_ = State::Label;
    std::string_view labelText_;  // into the text, which outlives the parser
    std::size_t labelLine_ = 0;
};

// The text of a source as UTF-8, without a byte order mark: `bytes` themselves when they are
// UTF-8, else `converted`.
std::string_view DecodedText(std::string_view bytes, const std::string& file, StrEncoding encoding,
                             std::string& converted) {
    const bool bom = bytes.starts_with(kBom);
    if (bom) bytes.remove_prefix(kBom.size());
    const std::size_t bad = encoding == StrEncoding::Windows1252 ? 0 : Utf8::FirstInvalid(bytes);
    if (bad == std::string_view::npos) return bytes;
    if (encoding == StrEncoding::Windows1252 || (encoding == StrEncoding::Detect && !bom)) {
        converted = Utf8::FromCodePage(bytes);
        return converted;
    }
    std::string byte;
    AppendUnitEscape(byte, static_cast<unsigned char>(bytes[bad]));
    throw VTR_STR::MalformedData(
        file + " line " + std::to_string(LineOfOffset(bytes, bad)) + ": not UTF-8 (byte 0x" +
        byte.substr(4) + (bom ? ") although the file starts with a UTF-8 byte order mark" : ")") +
        "; --encoding windows-1252 reads it as Windows-1252");
}

// ---- Writing ----

std::string NameProblem(std::string_view name) {
    if (name.empty()) return "an empty name";
    if (std::any_of(name.begin(), name.end(), [](char c) { return c == '\r' || c == '\n'; }))
        return "a line break in the name";
    if (IsBlank(name.front()) || IsBlank(name.back())) return "blanks at an end of the name";
    if (name.starts_with("//")) return "a name that starts with //";
    if (IsEnd(name)) return "a name that reads as END";
    return {};
}

void AppendName(std::string& out, const CsfLabel& label, std::size_t index,
                const std::string& source) {
    const std::string problem = NameProblem(label.Name);
    if (!problem.empty())
        throw VTR_STR::LimitExceeded(
            source + ": label " + std::to_string(index + 1) + " \"" + EscapeBytes(label.Name) +
            "\" cannot be written as text: " + problem + " would not read back");
    if (std::all_of(label.Name.begin(), label.Name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out += label.Name;
        return;
    }
    for (char byte : label.Name) {
        if (static_cast<unsigned char>(byte) < 0x80) {
            out.push_back(byte);
        } else {
            Utf8::Append(out, platform::ByteToChar(static_cast<unsigned char>(byte)));
        }
    }
}

// An extra line must not read as blank, a comment, END or a value, nor lose blanks at its ends.
void AppendExtra(std::string& out, const std::string& extra) {
    if (extra.empty()) {
        out += kEmptyExtra;
        return;
    }
    const std::u16string units = platform::BytesToText(extra);
    const bool first = units.front() == u' ' || units.starts_with(u"//") || IsEnd(extra);
    const Forced forced{first, units.back() == u' '};
    AppendEscaped(out, units, forced);
}

void AppendBlock(std::string& out, const CsfLabel& label, std::size_t index,
                 const std::string& source, std::string_view eol) {
    out += eol;
    AppendName(out, label, index, source);
    out += eol;
    if (label.HasString) {
        out += '"';
        AppendEscaped(out, label.Value);
        out += '"';
        out += eol;
        if (label.HasExtra) {
            AppendExtra(out, label.Extra);
            out += eol;
        }
    }
    out += "END";
    out += eol;
}

}  // namespace

StrDocument ReadStr(std::string_view bytes, const std::string& fileName, StrEncoding encoding) {
    std::string converted;
    return Parser(DecodedText(bytes, fileName, encoding, converted), fileName).Run();
}

std::string WriteStr(const CsfTable& table, const std::string& source, bool lf) {
    const std::string_view eol = lf ? "\n" : "\r\n";
    std::string out;
    std::size_t estimate = 64;
    for (const CsfLabel& label : table.Labels)
        estimate += label.Name.size() + label.Value.size() + label.Extra.size() + 24;
    out.reserve(estimate);
    out += "// language: " + std::to_string(table.Language);
    out += eol;
    if (table.Reserved != 0) {
        out += "// reserved: " + std::to_string(table.Reserved);
        out += eol;
    }
    for (std::size_t i = 0; i < table.Labels.size(); ++i)
        AppendBlock(out, table.Labels[i], i, source, eol);
    return out;
}

std::string EscapeUnits(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    AppendEscaped(out, units);
    return out;
}

std::string EscapeBytes(std::string_view bytes) {
    return EscapeUnits(platform::BytesToText(std::string(bytes)));
}

}  // namespace VTR_CSF
