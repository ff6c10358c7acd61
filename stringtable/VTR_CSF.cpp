#include "stringtable/VTR_CSF.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "archive/GEN_COVERT.h"

namespace VTR_CSF {

namespace {

constexpr std::size_t kHeaderLanguageOffset = 16;
constexpr std::size_t kHeaderUnusedOffset = 20;
constexpr std::size_t kFieldSize = 4;
constexpr std::size_t kStringTagSize = 3;
// A length the codec cannot hold (2^31 or more) reaches past any data.
constexpr std::uint64_t kBeyondData = std::numeric_limits<std::uint64_t>::max();
constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';
constexpr std::string_view kDefaultStringTag = "RTS";
constexpr std::string_view kExtraValueMarker = "WRTS";

std::string ZeroField() { return std::string(kFieldSize, '\0'); }

// Four bytes of `bytes`, cut or padded with zeros.
std::string Fixed4(std::string_view bytes) {
    std::string field(bytes.substr(0, kFieldSize));
    field.resize(kFieldSize, '\0');
    return field;
}

// Walks one label record. A field cut off by the end of the data reads as 0; a length runs to
// the end of the data at most. Nothing is read past the end.
class RecordReader {
public:
    RecordReader(std::string_view data, std::size_t pos) : data_(data), pos_(pos) {}

    std::size_t Position() const { return pos_; }

    std::uint64_t Field() {
        const std::string_view bytes = Take(kFieldSize);
        if (bytes.size() < kFieldSize) return 0;
        try {
            return static_cast<std::uint64_t>(GEN_COVERT::BytesToLong(bytes, true));
        } catch (const std::overflow_error&) {
            return kBeyondData;
        }
    }

    std::string_view Take(std::uint64_t count) {
        const std::size_t left = data_.size() - pos_;
        const std::size_t taken = count < left ? static_cast<std::size_t>(count) : left;
        const std::string_view bytes = data_.substr(pos_, taken);
        pos_ += taken;
        return bytes;
    }

private:
    std::string_view data_;
    std::size_t pos_;
};

std::uint64_t ValueByteCount(std::uint64_t units) {
    return units >= kBeyondData / 2 ? kBeyondData : units * 2;
}

void ReadString(RecordReader& in, LabelRecord& record) {
    const std::string_view marker = in.Take(kFieldSize);
    if (marker.size() < kFieldSize) {
        // The data ends inside the string marker: there is no string to hold.
        record.NoString = true;
        return;
    }
    record.StringTag = std::string(marker.substr(1));
    record.HasExtraValue = marker == kExtraValueMarker;
    record.Value = DecodeValue(in.Take(ValueByteCount(in.Field())));
    if (record.HasExtraValue) record.ExtraValue = std::string(in.Take(in.Field()));
}

// Reads the record whose marker starts at `markerPos`; returns the offset after what was read.
std::size_t ReadRecord(std::string_view data, std::size_t markerPos, std::int16_t sectionType,
                       LabelRecord& record) {
    RecordReader in(data, markerPos + kFieldSize);
    const std::uint64_t count = in.Field();
    record.Label = std::string(in.Take(in.Field()));
    record.SectionType = sectionType;
    record.InUse = true;
    if (count == 1) {
        ReadString(in, record);
    } else {
        record.NoString = true;
    }
    return in.Position();
}

// The offset of the first label marker (a space and a filled section code) at or after `from`,
// or npos; `sectionType` gets the marker's slot.
std::size_t FindMarker(std::string_view data, std::size_t from, std::int16_t& sectionType) {
    std::size_t best = std::string_view::npos;
    const auto& types = SectionTypes();
    for (std::size_t k = 0; k < types.size() && !types[k].Code.empty(); ++k) {
        const std::string marker = " " + types[k].Code;
        const std::size_t found = data.find(marker, from);
        if (found < best) {
            best = found;
            sectionType = static_cast<std::int16_t>(k);
        }
    }
    return best;
}

std::string LittleEndian(std::size_t value, const std::string& what) {
    if (value > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw std::runtime_error("The string table cannot be saved: " + what +
                                 " is too long for the CSF format.");
    }
    return GEN_COVERT::LongToBytes(static_cast<std::int32_t>(value), false);
}

const std::string& SectionCode(const LabelRecord& record) {
    const auto& types = SectionTypes();
    if (record.SectionType < 0 || static_cast<std::size_t>(record.SectionType) >= types.size() ||
        types[record.SectionType].Code.empty()) {
        throw std::runtime_error("The string table cannot be saved: label \"" + record.Label +
                                 "\" has a section type the CSF format does not know.");
    }
    return types[record.SectionType].Code;
}

void AppendRecord(std::string& out, const LabelRecord& record) {
    const std::string where = "label \"" + record.Label + "\"";
    out += ' ';
    out += SectionCode(record);
    out += LittleEndian(record.NoString ? 0 : 1, where);
    out += LittleEndian(record.Label.size(), where);
    out += record.Label;
    if (record.NoString) return;
    // The tag must keep the marker four bytes long; a label never given one gets "RTS".
    out += record.HasExtraValue ? 'W' : ' ';
    out += record.StringTag.size() == kStringTagSize ? std::string_view(record.StringTag)
                                                     : kDefaultStringTag;
    const std::string value = EncodeValue(record.Value);
    out += LittleEndian(value.size() / 2, "the value of " + where);
    out += value;
    if (!record.HasExtraValue) return;
    out += LittleEndian(record.ExtraValue.size(), "the extra value of " + where);
    out += record.ExtraValue;
}

}  // namespace

std::vector<LabelRecord>& StringTable() {
    static std::vector<LabelRecord> table(kInitialSlots);
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
    CsfMagic() = " FSC";
    SectionTypes()[0] = {"LBL", "Label"};
    return {"CSF file format interpreter",      "v0.1b", "v4", "Initialisation completed.",
            std::string("\x03\x00\x00\x00", 4), true};
}

std::size_t EndMark() {
    const auto& table = StringTable();
    const auto end = std::find_if(table.begin(), table.end(),
                                  [](const LabelRecord& record) { return record.Label.empty(); });
    return static_cast<std::size_t>(end - table.begin());
}

void ClearStringTable() {
    StringTable().assign(kInitialSlots, LabelRecord{});
    HeaderLanguage() = ZeroField();
    HeaderUnused() = ZeroField();
}

bool IsCsfData(std::string_view data) {
    const std::string& magic = CsfMagic();
    return !magic.empty() && data.size() >= magic.size() && data.substr(0, magic.size()) == magic;
}

void ReadStringTable(std::string_view data) {
    CsfInitialise();
    ClearStringTable();
    if (data.size() > kHeaderLanguageOffset) {
        HeaderLanguage() = Fixed4(data.substr(kHeaderLanguageOffset));
    }
    if (data.size() > kHeaderUnusedOffset)
        HeaderUnused() = Fixed4(data.substr(kHeaderUnusedOffset));

    auto& table = StringTable();
    std::size_t slot = 0;
    std::size_t pos = kHeaderSize;
    std::int16_t sectionType = 0;
    while ((pos = FindMarker(data, pos, sectionType)) != std::string_view::npos) {
        LabelRecord record;
        pos = ReadRecord(data, pos, sectionType, record);
        // A nameless record would read as the end mark and hide every label after it.
        if (record.Label.empty()) continue;
        if (slot == table.size()) table.resize(table.size() * 2);
        table[slot++] = std::move(record);
    }
}

std::string WriteStringTable() {
    const VTR_STR::InterpreterInfo info = CsfInitialise();
    const auto& table = StringTable();
    const std::size_t end = EndMark();
    std::string records;
    std::size_t count = 0;
    for (std::size_t slot = 0; slot < end; ++slot) {
        if (!table[slot].InUse) continue;
        AppendRecord(records, table[slot]);
        ++count;
    }
    std::string out = CsfMagic() + info.HeaderBytes;
    out += LittleEndian(count, "the label count");
    // An empty table has no "count minus one" the format could hold; it is written as 0.
    out += LittleEndian(count == 0 ? 0 : count - 1, "the string count");
    out += Fixed4(HeaderLanguage());
    out += Fixed4(HeaderUnused());
    return out + records;
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
