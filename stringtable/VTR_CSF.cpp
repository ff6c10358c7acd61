#include "stringtable/VTR_CSF.h"

#include <stdexcept>

namespace VTR_CSF {

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

}  // namespace VTR_CSF
