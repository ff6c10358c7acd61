// Packs the loose files of a folder, and a small string table built here, into a BIG archive.
// Usage: make_example <content folder> <archive to write>
// Entry names are the files' paths below the content folder with "\" between folders, in byte
// order, so the same folder always gives the same archive.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "examples/PackArchive.h"
#include "platform/FileSystem.h"
#include "stringtable/CsfTable.h"

namespace {

using NamedData = std::vector<std::pair<std::string, std::string>>;

// A string table with a plain label, a multi-line value, a label without a string and values
// beyond ASCII.
std::string ExampleStringTable() {
    VTR_CSF::CsfTable table;
    table.Add("GUI:Start", u"Start game");
    table.Add("GUI:Welcome",
              u"Welcome to the example archive.\nRight-click a file and choose "
              u"\"Edit file\" to change it.");
    table.Labels[table.Add("GUI:Placeholder", u"")].HasString = false;
    table.Add("GUI:Greeting",
              u"Gr\u00fc\u00dfe \u2013 \u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1"
              u"\u03b1 \u2013 \u041f\u0440\u0438\u0432\u0435\u0442");
    return table.Write();
}

NamedData LooseFiles(const std::filesystem::path& root) {
    NamedData files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        if (!item.is_regular_file()) continue;
        std::string name = item.path().lexically_relative(root).generic_string();
        std::replace(name.begin(), name.end(), '/', '\\');
        const std::u8string path = item.path().u8string();
        files.emplace_back(name, platform::ReadWholeFile(std::string(path.begin(), path.end())));
    }
    return files;
}

void WriteBig(NamedData entries, const std::string& path) {
    std::sort(entries.begin(), entries.end());
    examples::PackArchive(entries, path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_example <content folder> <archive to write>\n";
        return 2;
    }
    try {
        NamedData entries = LooseFiles(argv[1]);
        entries.emplace_back("Data\\Lang\\game.csf", ExampleStringTable());
        WriteBig(std::move(entries), argv[2]);
        std::cout << "Wrote " << argv[2] << "\n";
    } catch (const std::exception& error) {
        std::cerr << "make_example: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
