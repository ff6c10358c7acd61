// Declarations shared by the archive engine, the interpreters and the windows.
#pragma once

#include <cstdint>
#include <string>

namespace VTR_STR {

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
    virtual void OnlineReplace(const std::int16_t& FileEntry, const std::string& FileData) = 0;
    // The editor has closed: the host becomes usable again and takes the focus.
    virtual void EditorClosed() = 0;
};

}  // namespace VTR_STR
