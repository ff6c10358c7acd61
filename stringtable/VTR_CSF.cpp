#include "stringtable/VTR_CSF.h"

#include <stdexcept>

namespace VTR_CSF {

namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

}  // namespace

VTR_STR::InterpreterInfo CsfInitialise() {
    return {"CSF file format interpreter",      "v0.1b", "v4", "Initialisation completed.",
            std::string("\x03\x00\x00\x00", 4), true};
}

bool IsCsfData(std::string_view data) { return data.substr(0, CsfMagic.size()) == CsfMagic; }

CsfTable ReadStringTable(std::string_view data) {
    CsfTable table;
    table.Read(data);
    return table;
}

std::string WriteStringTable(const CsfTable& table, const std::vector<LabelRecord>& records) {
    if (records.size() != table.Labels.size())
        throw std::logic_error("The string table and its editor's records differ in length.");
    CsfTable written = table;
    std::size_t kept = 0;
    for (std::size_t slot = 0; slot < records.size(); ++slot) {
        if (!records[slot].InUse) continue;
        if (kept != slot) written.Labels[kept] = std::move(written.Labels[slot]);
        ++kept;
    }
    written.Labels.resize(kept);
    return written.Write();
}

std::u16string DecodeValue(std::string_view stored) {
    std::u16string text;
    text.reserve(stored.size() / 2 + 1);
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        const unsigned low = 0xFFu - static_cast<unsigned char>(stored[i]);
        const unsigned high =
            i + 1 < stored.size() ? 0xFFu - static_cast<unsigned char>(stored[i + 1]) : 0u;
        const auto unit = static_cast<char16_t>(high << 8 | low);
        if (unit == kLf) text.push_back(kCr);
        text.push_back(unit);
    }
    return text;
}

std::string EncodeValue(std::u16string_view text) {
    std::string stored;
    stored.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (unit == kCr) {
            if (i + 1 < text.size() && text[i + 1] == kLf) ++i;
            unit = kLf;
        }
        stored.push_back(static_cast<char>(0xFFu - (unit & 0xFFu)));
        stored.push_back(static_cast<char>(0xFFu - (unit >> 8)));
    }
    return stored;
}

}  // namespace VTR_CSF
