#include "stringtable/VTR_CSF.h"

#include <algorithm>
#include <stdexcept>

#include "archive/GEN_COVERT.h"

namespace VTR_CSF {

namespace {

constexpr std::size_t kFieldSize = 4;
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

std::string ZeroField() { return std::string(kFieldSize, '\0'); }

std::uint32_t FieldValue(const std::string& field) {
    return GEN_COVERT::BytesToUnsigned(field, true);
}

std::string FieldBytes(std::uint32_t value) { return GEN_COVERT::UnsignedToBytes(value, false); }

// The editor shows line breaks as CR LF.
std::u16string ForDisplay(std::u16string_view units) {
    std::u16string text;
    text.reserve(units.size() + units.size() / 16);
    for (const char16_t unit : units) {
        if (unit == kLf) text.push_back(kCr);
        text.push_back(unit);
    }
    return text;
}

// CR LF and a lone CR become LF; every other unit stays.
std::u16string FromDisplay(std::u16string_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (unit == kCr) {
            if (i + 1 < text.size() && text[i + 1] == kLf) ++i;
            unit = kLf;
        }
        units.push_back(unit);
    }
    return units;
}

void CheckSectionType(const LabelRecord& record) {
    const auto& types = SectionTypes();
    if (record.SectionType < 0 || static_cast<std::size_t>(record.SectionType) >= types.size() ||
        types[record.SectionType].Code != LabelMarker.substr(1))
        throw std::runtime_error("The string table cannot be saved: label \"" + record.Label +
                                 "\" has a section type the CSF format does not know.");
}

CsfLabel LabelOf(const LabelRecord& record) {
    CheckSectionType(record);
    CsfLabel label;
    label.Name = record.Label;
    label.HasString = !record.NoString;
    label.StringTag = record.StringTag;
    label.HasExtra = record.HasExtraValue;
    label.Extra = record.ExtraValue;
    const bool untouched = ForDisplay(record.StoredValue) == record.Value;
    label.Value = untouched ? record.StoredValue : FromDisplay(record.Value);
    return label;
}

LabelRecord RecordOf(const CsfLabel& label) {
    LabelRecord record;
    record.Label = label.Name;
    record.InUse = true;
    record.SectionType = 0;
    record.NoString = !label.HasString;
    if (label.HasString) {
        record.StringTag = label.StringTag;
        record.StoredValue = label.Value;
        record.Value = ForDisplay(label.Value);
        record.HasExtraValue = label.HasExtra;
        record.ExtraValue = label.Extra;
    }
    return record;
}

}  // namespace

std::vector<LabelRecord>& StringTable() {
    static std::vector<LabelRecord> table;
    return table;
}

std::int16_t& CsfFileEntry() {
    static std::int16_t entry = 0;
    return entry;
}

std::string& CsfMagic() {
    static std::string magic;
    return magic;
}

std::vector<SectionTypeInfo>& SectionTypes() {
    static std::vector<SectionTypeInfo> types(kSectionTypeSlots);
    return types;
}

std::string& HeaderLanguage() {
    static std::string language = ZeroField();
    return language;
}

std::string& HeaderUnused() {
    static std::string unused = ZeroField();
    return unused;
}

VTR_STR::InterpreterInfo CsfInitialise() {
    CsfMagic() = std::string(CsfSignature);
    SectionTypes()[0] = {"LBL", "Label"};
    return {"CSF file format interpreter",      "v0.1b", "v4", "Initialisation completed.",
            std::string("\x03\x00\x00\x00", 4), true};
}

std::size_t EndMark() { return StringTable().size(); }

void ClearStringTable() {
    StringTable().clear();
    HeaderLanguage() = ZeroField();
    HeaderUnused() = ZeroField();
}

bool IsCsfData(std::string_view data) {
    const std::string& magic = CsfMagic();
    return !magic.empty() && data.size() >= magic.size() && data.substr(0, magic.size()) == magic;
}

CsfTable ToCsfTable() {
    CsfTable table;
    for (const LabelRecord& record : StringTable())
        if (record.InUse) table.Labels.push_back(LabelOf(record));
    table.Reserved = FieldValue(HeaderUnused());
    table.Language = FieldValue(HeaderLanguage());
    return table;
}

void FromCsfTable(const CsfTable& table) {
    ClearStringTable();
    auto& records = StringTable();
    records.reserve(table.Labels.size());
    for (const CsfLabel& label : table.Labels) records.push_back(RecordOf(label));
    HeaderUnused() = FieldBytes(table.Reserved);
    HeaderLanguage() = FieldBytes(table.Language);
}

void ReadStringTable(std::string_view data) {
    CsfInitialise();
    CsfTable table;
    table.Read(data);
    FromCsfTable(table);
}

std::string WriteStringTable() {
    CsfInitialise();
    return ToCsfTable().Write();
}

}  // namespace VTR_CSF
