// The CSF reader on arbitrary bytes. Property: read, write, read again gives the same table,
// except for what the format itself normalises: every line break (CR LF, a lone CR, a lone LF)
// comes back as CR LF, and labels after the end mark or deleted are not written. The written
// bytes are a fixed point: writing the re-read table gives the same bytes again.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "stringtable/VTR_CSF.h"

using fuzzsupport::Require;

namespace {

std::u16string WithCrLfBreaks(const std::u16string& value) {
    std::u16string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u'\r' || value[i] == u'\n') {
            if (value[i] == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') ++i;
            result += u"\r\n";
        } else {
            result += value[i];
        }
    }
    return result;
}

// The labels a writer emits, as a reader should see them again.
std::vector<VTR_CSF::LabelRecord> LiveLabels(bool normaliseBreaks) {
    std::vector<VTR_CSF::LabelRecord> labels;
    const auto& table = VTR_CSF::StringTable();
    for (std::size_t i = 0; i < VTR_CSF::EndMark(); ++i) {
        if (!table[i].InUse) continue;
        VTR_CSF::LabelRecord label = table[i];
        if (normaliseBreaks) label.Value = WithCrLfBreaks(label.Value);
        labels.push_back(label);
    }
    return labels;
}

void RequireSameLabels(const std::vector<VTR_CSF::LabelRecord>& expected,
                       const std::vector<VTR_CSF::LabelRecord>& actual) {
    Require(expected.size() == actual.size(), "write and read again: different label counts");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& a = expected[i];
        const auto& b = actual[i];
        Require(a.Label == b.Label, "write and read again: a label name changed");
        Require(a.NoString == b.NoString, "write and read again: a string was lost or added");
        Require(a.Value == b.Value, "write and read again: a value changed");
        Require(a.StringTag == b.StringTag, "write and read again: a string tag changed");
        Require(a.SectionType == b.SectionType, "write and read again: a section type changed");
        Require(a.HasExtraValue == b.HasExtraValue && a.ExtraValue == b.ExtraValue,
                "write and read again: an extra value changed");
        Require(b.InUse && !b.Edited && b.PendingValue.empty(),
                "a label read from a file is not plainly in use");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool initialised = (VTR_CSF::CsfInitialise(), true);
    (void)initialised;
    const std::string bytes = fuzzsupport::AsBytes(data, size);

    VTR_CSF::ReadStringTable(bytes);
    const auto first = LiveLabels(true);
    const std::string language = VTR_CSF::HeaderLanguage();
    const std::string unused = VTR_CSF::HeaderUnused();
    const std::string written = VTR_CSF::WriteStringTable();
    Require(VTR_CSF::IsCsfData(written), "the writer's output is not recognised as CSF");

    VTR_CSF::ReadStringTable(written);
    RequireSameLabels(first, LiveLabels(false));
    Require(VTR_CSF::HeaderLanguage() == language && VTR_CSF::HeaderUnused() == unused,
            "write and read again: the kept header fields changed");
    Require(VTR_CSF::WriteStringTable() == written,
            "writing the table read from written bytes gives other bytes");
    return 0;
}
