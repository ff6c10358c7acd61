// Helpers for the command-line tool's tests: commands run in-process, archives made with the
// engine, and snapshots of folders.
#pragma once

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "archive/BigArchive.h"
#include "cli/Cli.h"
#include "tests/support/TestFiles.h"

namespace clitest {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool in this process, as if its standard error were not a terminal.
inline Outcome RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    cli::Io io{out, err, false};
    const int status = cli::Run(args, io);
    return {status, out.str(), err.str()};
}

// Writes an archive with the engine.
inline void MakeArchive(const std::string& path, const testsupport::NamedData& entries,
                        const std::string& signature = "BIGF") {
    VTR_CORE::BigArchive archive(signature);
    for (const auto& [name, data] : entries) archive.Add(name, data);
    archive.Write(path);
}

// What the archive at `path` holds, read with the engine.
inline testsupport::NamedData ArchiveContents(const std::string& path) {
    VTR_CORE::BigArchive archive;
    archive.Open(path, true);
    testsupport::NamedData contents;
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries)
        contents.emplace_back(entry.Name, entry.Data);
    return contents;
}

// Every file under `root` by its path relative to it ("/" between folders) with its bytes.
inline std::map<std::string, std::string> FilesUnder(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(testsupport::FsPath(root)))
        if (item.is_regular_file()) {
            const std::u8string relative =
                item.path().lexically_relative(testsupport::FsPath(root)).generic_u8string();
            files[std::string(relative.begin(), relative.end())] =
                testsupport::ReadBytes(testsupport::Utf8(item.path()));
        }
    return files;
}

// Writes each file of `files` under `root`, making its folders.
inline void PutFiles(const std::string& root, const std::map<std::string, std::string>& files) {
    for (const auto& [relative, bytes] : files) {
        const std::string path = root + "/" + relative;
        std::filesystem::create_directories(testsupport::FsPath(path).parent_path());
        testsupport::WriteBytes(path, bytes);
    }
}

}  // namespace clitest
