// The text-source reader on arbitrary bytes. Property: whatever it reads, written as text and read
// again, is the same table (language included), and the written text is a fixed point: writing
// the table read from it gives the same bytes. What it reads also survives the CSF writer.
#include <cstdint>
#include <string>

#include "archive/VTR_STR.h"
#include "fuzz/FuzzSupport.h"
#include "stringtable/StrFormat.h"

using fuzzsupport::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = fuzzsupport::AsBytes(data, size);
    const bool lf = size % 2 == 1;
    VTR_CSF::StrDocument first;
    try {
        first = VTR_CSF::ReadStr(bytes, "input");
    } catch (const VTR_STR::MalformedData&) {
        return 0;  // a refused source is fine; a crash or another exception is not
    }
    // Every name the reader accepts must be one the writer can write.
    const std::string text = VTR_CSF::WriteStr(first.Table, "input", lf);
    const VTR_CSF::StrDocument second =
        VTR_CSF::ReadStr(text, "written", VTR_CSF::StrEncoding::Utf8);
    Require(second.Table == first.Table, "read, write and read again: the table changed");
    Require(second.HasLanguage, "the written text does not name the language");
    Require(VTR_CSF::WriteStr(second.Table, "written", lf) == text,
            "writing the table read from written text gives other text");

    VTR_CSF::CsfTable csf;
    csf.Read(first.Table.Write());
    Require(csf == first.Table, "a table read from text changed through the CSF writer");
    return 0;
}
