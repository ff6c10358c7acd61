// Helpers for the command-line tool's tests: commands run in-process, archives made with the
// engine, and folders written and read back.
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

using Files = std::map<std::string, std::string>;  // bytes by relative path, "/" between folders
struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs the tool in this process, as if its standard error were not a terminal.
inline Outcome RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    cli::Io io{out, err, false};
    const int status = cli::Run(args, io);
    return {status, out.str(), err.str()};
}

inline bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// `args` with each "@x" replaced by the path of x in `dir`.
inline std::vector<std::string> InDir(const testsupport::TempDir& dir,
                                      std::vector<std::string> args) {
    for (std::string& arg : args)
        if (arg.starts_with("@")) arg = dir.File(arg.substr(1));
    return args;
}

// Writes, and reads, an archive with the engine.
inline void MakeArchive(const std::string& path, const testsupport::NamedData& entries,
                        const std::string& signature = "BIGF") {
    VTR_CORE::BigArchive archive(signature);
    for (const auto& [name, data] : entries) archive.Add(name, data);
    archive.Write(path);
}
inline testsupport::NamedData ArchiveContents(const std::string& path) {
    VTR_CORE::BigArchive archive;
    archive.Open(path, true);
    testsupport::NamedData contents;
    for (const VTR_CORE::ArchiveEntry& entry : archive.Entries)
        contents.emplace_back(entry.Name, entry.Data);
    return contents;
}

inline Files FilesUnder(const std::string& root) {
    Files files;
    const std::filesystem::path top = testsupport::FsPath(root);
    for (const auto& item : std::filesystem::recursive_directory_iterator(top)) {
        const std::u8string relative = item.path().lexically_relative(top).generic_u8string();
        if (item.is_regular_file())
            files[{relative.begin(), relative.end()}] =
                testsupport::ReadBytes(testsupport::Utf8(item.path()));
    }
    return files;
}

// Writes `files` under `root`, making their folders.
inline void PutFiles(const std::string& root, const Files& files) {
    for (const auto& [relative, bytes] : files) {
        const std::string path = root + "/" + relative;
        std::filesystem::create_directories(testsupport::FsPath(path).parent_path());
        testsupport::WriteBytes(path, bytes);
    }
}

}  // namespace clitest
