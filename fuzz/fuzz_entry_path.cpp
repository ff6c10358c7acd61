// Entry names to paths on arbitrary bytes (the first byte picks Windows' rules by its low bit).
// Properties: a name that maps gives segments that cannot leave the target folder (none empty,
// ".", "..", or holding a separator, a ":" or a zero byte; with Windows' rules no device name and
// no trailing dot or space) and comes back from them byte for byte; a name that does not map
// says why. Text to name and back is exact, and every name matches itself and "*".
#include <cstdint>
#include <string>

#include "archive/BigArchive.h"
#include "archive/EntryPath.h"
#include "archive/NamePattern.h"
#include "archive/VTR_STR.h"
#include "fuzz/FuzzSupport.h"

using fuzzsupport::Require;

namespace {

void CheckSegment(const std::string& segment, bool windowsRules) {
    Require(!segment.empty() && segment != "." && segment != "..", "a segment would move");
    Require(segment.find_first_of(std::string("/\\:\0", 4)) == std::string::npos,
            "a segment holds a separator, a colon or a zero byte");
    if (!windowsRules) return;
    Require(segment.back() != '.' && segment.back() != ' ', "a trailing dot or space");
    Require(EntryPath::NameToPath(EntryPath::Utf8ToName(segment), true).Maps(),
            "a segment alone is refused where its name was not");
}

void CheckRoundTrip(const std::string& name, const EntryPath::PathMapping& mapping) {
    try {
        Require(EntryPath::PathToName(mapping.segments) == name, "the path gives another name");
    } catch (const VTR_STR::LimitExceeded&) {
        Require(name.size() > VTR_CORE::MaxNameLength, "a mapped name of legal length refused");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool windowsRules = (data[0] & 1) != 0;
    const std::string name = fuzzsupport::AsBytes(data + 1, size - 1);

    const EntryPath::PathMapping mapping = EntryPath::NameToPath(name, windowsRules);
    if (mapping.Maps()) {
        for (const std::string& segment : mapping.segments) CheckSegment(segment, windowsRules);
        CheckRoundTrip(name, mapping);
    } else {
        Require(mapping.segments.empty(), "a refused name left segments");
    }
    Require(EntryPath::Utf8ToName(EntryPath::NameToUtf8(name)) == name, "text round trip");
    Require(NamePattern::Matches(name, name, false), "a name does not match itself");
    Require(NamePattern::Matches("*", name), "a name does not match \"*\"");
    try {
        (void)EntryPath::Utf8ToName(name);  // the same bytes read as typed text
    } catch (const VTR_STR::MalformedData&) {
    } catch (const VTR_STR::LimitExceeded&) {
    }
    return 0;
}
