// Writes seed corpora for the fuzz targets with the project's own writers: BIG archives through
// WriteArchive, string tables through WriteStringTable and as text sources, and the entry names
// of those archives for the folder tree. Usage: vantor_fuzz_seeds <folder>; makes big/, csf/,
// str/, text/, tree/ in it.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "archive/VTR_CORE.h"
#include "examples/PackArchive.h"
#include "stringtable/CsfTable.h"
#include "stringtable/StrFormat.h"

namespace {

using NamedData = std::vector<std::pair<std::string, std::string>>;

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

struct Label {
    std::string name;
    std::u16string value;
    bool noString = false;
    std::string extra;  // written with the "WRTS" marker when not empty
};

std::string TableBytes(const std::vector<Label>& labels) {
    VTR_CSF::CsfTable table;
    for (const Label& label : labels) {
        VTR_CSF::CsfLabel& added = table.Labels[table.Add(label.name, label.value)];
        added.HasString = !label.noString;
        added.HasExtra = !label.extra.empty();
        added.Extra = label.extra;
    }
    return table.Write();
}

std::string ArchiveBytes(const NamedData& entries, const std::filesystem::path&) {
    VTR_CORE::BigArchive archive;
    for (const auto& [name, data] : entries) archive.Add(name, data);
    return archive.ToBytes();
}

std::string NamesJoined(const NamedData& entries) {
    std::string joined;
    for (const auto& [name, data] : entries) joined += name + '\0';
    return joined;
}

Label Text(std::string name, std::u16string value) {
    return {std::move(name), std::move(value), false, ""};
}

std::vector<std::vector<Label>> Tables() {
    return {
        {Text("GUI:Ok", u"OK"), Text("GUI:Cancel", u"Cancel"), Text("GUI:Title", u"Vantor")},
        {Text("Text:Lines", u"first line\r\nsecond line\r\n"), {"Text:Empty", u"", true, ""}},
        {{"Sound:Line", u"Spoken", false, "speech_01"},
         Text("Text:Wide", u"gr\u00fc\u00dfe \u0141\u20ac")},
        {Text("One", u"x")},
    };
}

std::vector<NamedData> Archives() {
    const auto tables = Tables();
    return {
        {},
        {{"a.txt", "hello"}},
        {{"Data\\INI\\game.ini", "[Game]\r\nSpeed=3\r\n"},
         {"Data\\INI\\empty.ini", ""},
         {"Data\\lang\\game.csf", TableBytes(tables[0])},
         {"Data\\readme.txt", "Read me\n"}},
        {{"A\\X\\f1", "1"}, {"B\\X\\f2", "22"}, {"x\\readme", "r"}, {"readme\\y.txt", "y"}},
        {{"\\lead.txt", "l"}, {"a\\\\b.txt", "b"}, {"trail\\", ""}, {"same", "1"}, {"same", "2"}},
        {{std::string(255, 'n'), std::string(300, '\xA5')}, {"window.wnd", "WINDOW\n"}},
    };
}

std::vector<std::string> Texts() {
    return {
        "[Section]\r\nKey=Value\r\n",        "unix\nlines\n",
        "mixed\r\nbreaks\nand\rlone\r\r\n",  std::string("nul\0inside\xff\x80\x9d", 14),
        "<html><body>caf\xe9</body></html>", "",
    };
}

// Text sources: the tables above through the text writer, and one with what hand-edited files
// hold (comments inside blocks, END in any case, stray text, a stray END, Windows-1252).
std::vector<std::string> Sources() {
    std::vector<std::string> sources;
    for (const auto& labels : Tables()) {
        VTR_CSF::CsfTable table;
        for (const Label& label : labels) {
            VTR_CSF::CsfLabel& added = table.Labels.emplace_back();
            added.Name = label.name;
            added.Value = label.value;
            added.HasString = !label.noString;
            added.HasExtra = !label.extra.empty();
            added.Extra = label.extra;
        }
        sources.push_back(VTR_CSF::WriteStr(table, "seed", sources.size() % 2 == 1));
    }
    sources.push_back(
        "// c\r\nA:One\r\n  // in\r\n\"say \"hi\" \\/ \\q\" tail\r\nEnd\r\nEND\r\n"
        "B\r\n\"caf\xe9\\u00e9\"\r\nsnd\r\nend\r\n");
    return sources;
}

void WriteSeeds(const std::filesystem::path& root) {
    for (const char* sub : {"big", "csf", "str", "text", "tree"})
        std::filesystem::create_directories(root / sub);
    const auto sources = Sources();
    for (std::size_t i = 0; i < sources.size(); ++i)
        WriteFile(root / "str" / ("source" + std::to_string(i) + ".str"), sources[i]);
    const auto tables = Tables();
    for (std::size_t i = 0; i < tables.size(); ++i)
        WriteFile(root / "csf" / ("table" + std::to_string(i) + ".csf"), TableBytes(tables[i]));
    const auto archives = Archives();
    const auto scratch = root / "big" / ".scratch.big";
    for (std::size_t i = 0; i < archives.size(); ++i) {
        const std::string name = "archive" + std::to_string(i);
        WriteFile(root / "big" / (name + ".big"), ArchiveBytes(archives[i], scratch));
        WriteFile(root / "tree" / (name + ".names"), NamesJoined(archives[i]));
    }
    std::filesystem::remove(scratch);
    const auto texts = Texts();
    for (std::size_t i = 0; i < texts.size(); ++i)
        WriteFile(root / "text" / ("text" + std::to_string(i) + ".txt"), texts[i]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    try {
        WriteSeeds(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantor_fuzz_seeds: %s\n", error.what());
        return 1;
    }
    return 0;
}
