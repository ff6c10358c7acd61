// The CSF reader on arbitrary bytes. Properties: read, write, read again gives the same table,
// every label and code unit included; the written bytes are a fixed point; and the editor's
// table, untouched, writes the very same bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "stringtable/CsfTable.h"
#include "stringtable/VTR_CSF.h"

using fuzzsupport::Require;

namespace {

// What writing keeps of a label: a string tag is always written three bytes long.
VTR_CSF::CsfTable AsWritten(VTR_CSF::CsfTable table) {
    for (auto& label : table.Labels) {
        if (!label.HasString) {
            label.Value.clear();
            label.StringTag.clear();
            label.HasExtra = false;
            label.Extra.clear();
        } else if (label.StringTag.size() != 3) {
            label.StringTag = "RTS";
        }
        if (!label.HasExtra) label.Extra.clear();
    }
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VTR_CSF::CsfTable table;
    table.Read(fuzzsupport::AsBytes(data, size));
    const std::string written = table.Write();
    Require(VTR_CSF::CsfTable::IsCsf(written), "the writer's output is not recognised as CSF");

    VTR_CSF::CsfTable again;
    again.Read(written);
    Require(again == AsWritten(table), "write and read again: a different table");
    Require(again.Write() == written, "writing the table read from written bytes differs");

    const std::vector<VTR_CSF::LabelRecord> untouched(again.Labels.size());
    Require(VTR_CSF::WriteStringTable(VTR_CSF::ReadStringTable(written), untouched) == written,
            "the editor's untouched table writes other bytes");
    return 0;
}
