#include "stringtable/CsfTable.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "archive/CaseFold.h"
#include "archive/GEN_COVERT.h"
#include "archive/VTR_STR.h"

namespace VTR_CSF {

namespace {

constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kLabelCountOffset = 8;
constexpr std::size_t kReservedOffset = 16;
constexpr std::size_t kLanguageOffset = 20;
// A label marker, a string count and a name length.
constexpr std::size_t kSmallestRecord = 12;
constexpr std::size_t kFieldSize = 4;
constexpr std::size_t kStringTagSize = 3;
// A length the codec cannot hold (2^31 or more) reaches past any data.
constexpr std::uint64_t kBeyondData = std::numeric_limits<std::uint64_t>::max();
constexpr std::string_view kDefaultStringTag = "RTS";
constexpr std::string_view kExtraMarker = "WRTS";

// The four bytes at `offset` as an unsigned little-endian number; the bytes missing where the
// data is short count as 0.
std::uint32_t HeaderField(std::string_view data, std::size_t offset) {
    std::string field(kFieldSize, '\0');
    if (offset < data.size()) data.substr(offset, kFieldSize).copy(field.data(), kFieldSize);
    return GEN_COVERT::BytesToUnsigned(field, true);
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

void AppendEncodedValue(std::string& out, std::u16string_view units) {
    const std::size_t start = out.size();
    out.resize(start + units.size() * 2);
    char* at = out.data() + start;
    for (const char16_t unit : units) {
        *at++ = static_cast<char>(0xFFu - (unit & 0xFFu));
        *at++ = static_cast<char>(0xFFu - (unit >> 8));
    }
}

void ReadString(RecordReader& in, CsfLabel& label) {
    const std::string_view marker = in.Take(kFieldSize);
    if (marker.size() < kFieldSize) {
        // The data ends inside the string marker: there is no string to hold.
        label.HasString = false;
        return;
    }
    label.StringTag = std::string(marker.substr(1));
    label.HasExtra = marker == kExtraMarker;
    const std::uint64_t units = in.Field();
    label.Value = DecodeValue(in.Take(units >= kBeyondData / 2 ? kBeyondData : units * 2));
    if (label.HasExtra) label.Extra = std::string(in.Take(in.Field()));
}

// Reads the record whose marker starts at `markerPos`; returns the offset after what was read.
std::size_t ReadRecord(std::string_view data, std::size_t markerPos, CsfLabel& label) {
    RecordReader in(data, markerPos + kFieldSize);
    const std::uint64_t count = in.Field();
    label.Name = std::string(in.Take(in.Field()));
    label.StringTag.clear();
    if (count == 1) {
        ReadString(in, label);
    } else {
        label.HasString = false;
    }
    return in.Position();
}

void AppendField(std::string& out, std::uint32_t value) {
    out += GEN_COVERT::UnsignedToBytes(value, false);
}

// Appends a count or length as four little-endian bytes; `what` names it when it does not fit.
void AppendNumber(std::string& out, std::size_t value, const char* what, const CsfLabel* label) {
    if (value > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw VTR_STR::LimitExceeded(std::string("The string table cannot be saved: ") + what +
                                     (label ? " of label \"" + label->Name + "\"" : std::string()) +
                                     " is too long for the CSF format.");
    AppendField(out, static_cast<std::uint32_t>(value));
}

void AppendRecord(std::string& out, const CsfLabel& label) {
    out += LabelMarker;
    AppendNumber(out, label.HasString ? 1 : 0, "the string count", &label);
    AppendNumber(out, label.Name.size(), "the name", &label);
    out += label.Name;
    if (!label.HasString) return;
    // The tag must keep the marker four bytes long; a label never given one gets "RTS".
    out += label.HasExtra ? 'W' : ' ';
    out += label.StringTag.size() == kStringTagSize ? std::string_view(label.StringTag)
                                                    : kDefaultStringTag;
    AppendNumber(out, label.Value.size(), "the value", &label);
    AppendEncodedValue(out, label.Value);
    if (!label.HasExtra) return;
    AppendNumber(out, label.Extra.size(), "the extra value", &label);
    out += label.Extra;
}

}  // namespace

std::u16string DecodeValue(std::string_view stored) {
    std::u16string units((stored.size() + 1) / 2, u'\0');
    const std::size_t pairs = stored.size() / 2;
    const auto* from = reinterpret_cast<const unsigned char*>(stored.data());
    for (std::size_t k = 0; k < pairs; ++k)
        units[k] = static_cast<char16_t>((0xFFu - from[2 * k + 1]) << 8 | (0xFFu - from[2 * k]));
    if (stored.size() % 2 != 0)
        units.back() = static_cast<char16_t>(0xFFu - from[stored.size() - 1]);
    return units;
}

std::string EncodeValue(std::u16string_view units) {
    std::string stored;
    AppendEncodedValue(stored, units);
    return stored;
}

bool CsfTable::IsCsf(std::string_view bytes) { return bytes.substr(0, 4) == CsfSignature; }

void CsfTable::Read(std::string_view data) {
    std::vector<CsfLabel> labels;
    // Room for the labels the header announces, as far as the data can hold them.
    labels.reserve(
        std::min<std::size_t>(HeaderField(data, kLabelCountOffset), data.size() / kSmallestRecord));
    std::size_t pos = kHeaderSize;
    while ((pos = data.find(LabelMarker, pos)) != std::string_view::npos) {
        CsfLabel label;
        pos = ReadRecord(data, pos, label);
        labels.push_back(std::move(label));
    }
    Labels = std::move(labels);
    Reserved = HeaderField(data, kReservedOffset);
    Language = HeaderField(data, kLanguageOffset);
}

std::string CsfTable::Write() const {
    std::size_t strings = 0;
    std::size_t length = kHeaderSize;
    for (const CsfLabel& label : Labels) {
        length += 12 + label.Name.size();
        if (!label.HasString) continue;
        ++strings;
        length += 8 + label.Value.size() * 2 + (label.HasExtra ? 4 + label.Extra.size() : 0);
    }
    std::string out(CsfSignature);
    out.reserve(length);
    AppendField(out, WrittenVersion);
    AppendNumber(out, Labels.size(), "the label count", nullptr);
    AppendNumber(out, strings, "the string count", nullptr);
    AppendField(out, Reserved);
    AppendField(out, Language);
    for (const CsfLabel& label : Labels) AppendRecord(out, label);
    return out;
}

std::vector<std::size_t> CsfTable::Find(std::string_view name) const {
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < Labels.size(); ++i)
        if (CaseFold::SameName(Labels[i].Name, name)) found.push_back(i);
    return found;
}

std::optional<std::size_t> CsfTable::FindFirst(std::string_view name) const {
    for (std::size_t i = 0; i < Labels.size(); ++i)
        if (CaseFold::SameName(Labels[i].Name, name)) return i;
    return std::nullopt;
}

std::size_t CsfTable::Add(std::string name, std::u16string value) {
    CsfLabel label;
    label.Name = std::move(name);
    label.Value = std::move(value);
    Labels.push_back(std::move(label));
    return Labels.size() - 1;
}

void CsfTable::Delete(std::size_t index) {
    if (index >= Labels.size())
        throw std::out_of_range("There is no label " + std::to_string(index + 1) +
                                "; the table has " + std::to_string(Labels.size()) + ".");
    Labels.erase(Labels.begin() + static_cast<std::ptrdiff_t>(index));
}

void CsfTable::Rename(std::size_t index, std::string newName) {
    if (index >= Labels.size())
        throw std::out_of_range("There is no label " + std::to_string(index + 1) +
                                "; the table has " + std::to_string(Labels.size()) + ".");
    Labels[index].Name = std::move(newName);
}

}  // namespace VTR_CSF
