// Declarations shared by the archive engine, the interpreters and the windows.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/FileSystem.h"

namespace VTR_STR {

// Failures by kind, so that a tool can tell them apart. Each message says what failed and where.
// A file that cannot be opened, read or written:
using FileAccessError = platform::FileError;
// Bytes that break their format (a truncated directory, a name without its zero byte):
class MalformedData : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Something the format or the program cannot hold (a count, a length, a file size):
class LimitExceeded : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Another program is changing the archive: its edit lock stayed taken, or the file changed
// under an edit that was about to replace it:
class ArchiveBusy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The record with which an interpreter registers with the main window.
struct InterpreterInfo {
    std::string Name;
    std::string Version;
    std::string FormatVersion;
    std::string StatusMessage;
    std::string HeaderBytes;  // 4 bytes kept for the interpreter's own writer, or empty
    bool Active = false;
};

// What an interpreter window needs from the window that opened it.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    // Replaces the data of entry `FileEntry` in memory and marks its tree node as replaced.
    virtual void OnlineReplace(const std::int32_t& FileEntry, const std::string& FileData) = 0;
    // The editor has closed: the host becomes usable again and takes the focus.
    virtual void EditorClosed() = 0;
    // Writes a line of the editor's to the host's event log (UTF-8 texts).
    virtual void LogEditorEvent(const std::string& msgString, const std::string& msgSource) = 0;
};

}  // namespace VTR_STR
