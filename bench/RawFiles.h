// Plain POSIX file operations: the baselines the engine is measured against, and the helpers
// that prepare inputs. They bypass the engine and its file seam on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace bench {

// A buffer that is not zero-filled before it is read into: what the machine can do at best.
struct Buffer {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::string_view View() const { return {bytes.get(), size}; }
};

// Opens `path`, reads `count` bytes at `offset` into a new buffer, closes it.
Buffer ReadRange(const std::string& path, std::int64_t offset, std::size_t count);
Buffer ReadWhole(const std::string& path);
// Writes `bytes` to a new file beside `path`, fsyncs it and renames it over `path`: the same
// flushing as the engine's atomic save. Writes go out in 1 MiB pieces, which this machine
// writes faster and more steadily than one write of the whole.
void WriteDurably(const std::string& path, std::string_view bytes);
// Copies `from` to `to` through a 1 MiB buffer with the same flushing: the fastest plain copy.
void CopyDurably(const std::string& from, const std::string& to);

// Writes `bytes` without syncing (for building inputs).
void WriteFast(const std::string& path, std::string_view bytes);
void RemoveIfPresent(const std::string& path);
bool SameContents(const std::string& first, const std::string& second);
// Reads the file once so that ours and the baseline both find it in the page cache.
void WarmUp(const std::string& path);
// Asks the system to drop the file's pages from the page cache (after writing them out), so that
// the next read comes from the disk. Needs no rights beyond reading the file.
void Evict(const std::string& path);
// Pushes every dirty page to the disk, so that no earlier write is paid by the next timed one.
void SyncAll();

// A private folder under `parent`, removed with everything in it when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& parent);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace bench
