// The FUSE side of a mounted archive: the low-level FUSE interface, whose inode numbers are the
// view's node ids plus one (FUSE_ROOT_ID is 1), served by a multithreaded loop.
#define FUSE_USE_VERSION 312
#include "platform/FuseMount.h"

#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

namespace platform {

namespace {

using VTR_CORE::MountView;
using NodeId = MountView::NodeId;

// The tree never changes while mounted, so the kernel may keep names and attributes this long.
constexpr double Forever = 86400.0;

// fsname is one of FUSE's comma-separated options: commas and backslashes are escaped.
std::string EscapedOption(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == ',' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

class Server {
public:
    Server(const MountView& view, ArchiveSource& source, const MountSettings& settings,
           std::ostream& err)
        : view_(view), source_(source), settings_(settings), err_(err), opened_(view.NodeCount()) {
        owner_ = ::getuid();
        group_ = ::getgid();
    }

    // Creates the session and mounts it; throws FileError with libfuse's reason otherwise.
    void Mount();
    // Serves until unmounted; returns the exit status.
    int Serve();
    void Unmount();
    ~Server() {
        if (session_) fuse_session_destroy(session_);
    }

    // Reports the change of the archive once, and makes the kernel drop every page of it that
    // it holds for a file opened so far. Must not run on a request's thread: dropping a page
    // waits for any read of it in progress.
    void ArchiveChanged() {
        ReportChange();
        if (pagesDropped_.exchange(true)) return;
        for (NodeId node = 0; node < opened_.size(); ++node)
            if (opened_[node].load(std::memory_order_relaxed))
                fuse_lowlevel_notify_inval_inode(session_, Inode(node), 0, 0);
    }

private:
    static fuse_ino_t Inode(NodeId node) { return fuse_ino_t{node} + 1; }
    static Server& Of(fuse_req_t request) {
        return *static_cast<Server*>(fuse_req_userdata(request));
    }
    // The node of `inode`, or nothing for a number this mount never gave out.
    std::optional<NodeId> Node(fuse_ino_t inode) const {
        if (inode < 1 || inode > view_.NodeCount()) return std::nullopt;
        return static_cast<NodeId>(inode - 1);
    }

    struct stat Attributes(NodeId node) const {
        struct stat attributes {};
        attributes.st_ino = Inode(node);
        attributes.st_mode = view_.IsFolder(node) ? S_IFDIR | 0555 : S_IFREG | 0444;
        attributes.st_nlink = view_.IsFolder(node) ? 2 + view_.SubfolderCount(node) : 1;
        attributes.st_uid = owner_;
        attributes.st_gid = group_;
        attributes.st_size = view_.Size(node);
        attributes.st_blocks = (view_.Size(node) + 511) / 512;
        attributes.st_blksize = 4096;
        const auto seconds = source_.Stamp().modifiedNs / 1000000000;
        const auto nanoseconds = source_.Stamp().modifiedNs % 1000000000;
        attributes.st_atim = attributes.st_mtim = attributes.st_ctim = {seconds, nanoseconds};
        return attributes;
    }

    void ReportChange() {
        if (changeReported_.exchange(true)) return;
        const std::string line = "vantor-cli: " + Quoted(source_.Path()) +
                                 " changed after it was mounted at " + Quoted(settings_.folder) +
                                 "; reads of it fail from now on.";
        if (settings_.foreground)
            err_ << line << std::endl;
        else
            ::syslog(LOG_ERR, "%s", line.c_str() + std::strlen("vantor-cli: "));
    }

    // False, with the change reported, once the archive is not the one mounted.
    bool SourceUnchanged() {
        if (source_.Unchanged()) return true;
        ReportChange();
        watch_.Poke();  // the watch thread drops the kernel's pages
        return false;
    }

    static void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name);
    static void GetAttributes(fuse_req_t request, fuse_ino_t inode, fuse_file_info*);
    static void Start(void* server, fuse_conn_info* connection);
    static void OpenFolder(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info);
    static void ReadFolder(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset,
                           fuse_file_info*);
    static void Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info);
    static void Read(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset,
                     fuse_file_info*);
    static void Release(fuse_req_t request, fuse_ino_t, fuse_file_info*) {
        fuse_reply_err(request, 0);
    }
    static const fuse_lowlevel_ops Operations;

    const MountView& view_;
    ArchiveSource& source_;
    const MountSettings& settings_;
    std::ostream& err_;
    uid_t owner_;
    gid_t group_;
    std::vector<std::atomic<bool>> opened_;  // by node: opened at least once
    std::atomic<bool> changeReported_{false};
    std::atomic<bool> pagesDropped_{false};
    bool foldersOpenWithoutAsking_ = false;  // set once, before the first request
    fuse_session* session_ = nullptr;
    MountWatch watch_;
};

const fuse_lowlevel_ops Server::Operations = [] {
    fuse_lowlevel_ops operations{};
    operations.lookup = Lookup;
    operations.getattr = GetAttributes;
    operations.init = Start;
    operations.opendir = OpenFolder;
    operations.readdir = ReadFolder;
    operations.releasedir = Release;
    operations.open = Open;
    operations.read = Read;
    operations.release = Release;
    return operations;
}();

// A listing never changes, so the kernel may keep it. Where the kernel can open folders without
// asking, the first opendir's ENOSYS tells it to, and it keeps every listing.
void Server::Start(void* server, fuse_conn_info* connection) {
    if (connection->capable & FUSE_CAP_NO_OPENDIR_SUPPORT) {
        connection->want |= FUSE_CAP_NO_OPENDIR_SUPPORT;
        static_cast<Server*>(server)->foldersOpenWithoutAsking_ = true;
    }
}

void Server::OpenFolder(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    Server& server = Of(request);
    if (server.foldersOpenWithoutAsking_) return void(fuse_reply_err(request, ENOSYS));
    const std::optional<NodeId> node = server.Node(inode);
    if (!node) return void(fuse_reply_err(request, ENOENT));
    if (!server.view_.IsFolder(*node)) return void(fuse_reply_err(request, ENOTDIR));
    info->cache_readdir = 1;
    info->keep_cache = 1;
    fuse_reply_open(request, info);
}

void Server::Lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
    Server& server = Of(request);
    const std::optional<NodeId> folder = server.Node(parent);
    if (!folder) return void(fuse_reply_err(request, ENOENT));
    if (!server.view_.IsFolder(*folder)) return void(fuse_reply_err(request, ENOTDIR));
    fuse_entry_param entry{};
    entry.entry_timeout = Forever;  // an absent name stays absent too
    if (const std::optional<NodeId> found = server.view_.Find(*folder, name)) {
        entry.ino = Inode(*found);
        entry.attr = server.Attributes(*found);
        entry.attr_timeout = Forever;
    }
    fuse_reply_entry(request, &entry);
}

void Server::GetAttributes(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    Server& server = Of(request);
    const std::optional<NodeId> node = server.Node(inode);
    if (!node) return void(fuse_reply_err(request, ENOENT));
    const struct stat attributes = server.Attributes(*node);
    fuse_reply_attr(request, &attributes, Forever);
}

// Offsets: 0 is ".", 1 is "..", 2 + i the folder's i-th child.
void Server::ReadFolder(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset,
                        fuse_file_info*) {
    Server& server = Of(request);
    const std::optional<NodeId> folder = server.Node(inode);
    if (!folder || offset < 0) return void(fuse_reply_err(request, EINVAL));
    const std::span<const NodeId> children = server.view_.Children(*folder);
    std::vector<char> buffer(size);
    std::size_t used = 0;
    for (auto at = static_cast<std::size_t>(offset); at < children.size() + 2; ++at) {
        const NodeId node = at == 0   ? *folder
                            : at == 1 ? server.view_.Parent(*folder)
                                      : children[at - 2];
        const std::string name = at == 0   ? "."
                                 : at == 1 ? ".."
                                           : std::string(server.view_.Name(node));
        const struct stat attributes = server.Attributes(node);
        const std::size_t needed =
            fuse_add_direntry(request, buffer.data() + used, size - used, name.c_str(), &attributes,
                              static_cast<off_t>(at + 1));
        if (needed > size - used) break;
        used += needed;
    }
    fuse_reply_buf(request, buffer.data(), used);
}

void Server::Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    Server& server = Of(request);
    const std::optional<NodeId> node = server.Node(inode);
    if (!node) return void(fuse_reply_err(request, ENOENT));
    if (server.view_.IsFolder(*node)) return void(fuse_reply_err(request, EISDIR));
    if ((info->flags & O_ACCMODE) != O_RDONLY) return void(fuse_reply_err(request, EROFS));
    if (!server.SourceUnchanged()) return void(fuse_reply_err(request, EIO));
    // Pages read under an earlier open are dropped now, so every open reads the archive anew.
    info->keep_cache = 0;
    server.opened_[*node].store(true, std::memory_order_relaxed);
    fuse_reply_open(request, info);
}

void Server::Read(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset,
                  fuse_file_info*) {
    Server& server = Of(request);
    const std::optional<NodeId> node = server.Node(inode);
    if (!node || server.view_.IsFolder(*node)) return void(fuse_reply_err(request, EINVAL));
    const MountView::Span span = server.view_.Locate(*node, offset, size);
    // A request asks for at most the kernel's read size (128 KiB to 1 MiB).
    const std::unique_ptr<char[]> bytes(new char[span.length]);
    std::size_t got = 0;
    try {
        got = server.source_.ReadSome(span.archiveOffset, bytes.get(), span.length);
    } catch (const FileError&) {
        return void(fuse_reply_err(request, EIO));
    }
    // Compared after reading: a write to the archive changes its stamp before its bytes, so
    // bytes read while the archive was being rewritten are caught here.
    if (!server.SourceUnchanged()) return void(fuse_reply_err(request, EIO));
    fuse_reply_buf(request, bytes.get(), got);
}

void Server::Mount() {
    const std::string options =
        "ro,default_permissions,subtype=vantor,fsname=" + EscapedOption(source_.Path());
    fuse_args args = FUSE_ARGS_INIT(0, nullptr);
    for (const char* argument : {"vantor-cli", "-o", options.c_str()})
        if (fuse_opt_add_arg(&args, argument) != 0) throw std::bad_alloc();
    session_ = fuse_session_new(&args, &Operations, sizeof Operations, this);
    fuse_opt_free_args(&args);
    if (!session_) throw FileError("Cannot start a FUSE session for " + Quoted(source_.Path()));
    if (fuse_session_mount(session_, settings_.folder.c_str()) != 0)
        throw FileError("Cannot mount " + Quoted(source_.Path()) + " at " +
                        Quoted(settings_.folder) + " (FUSE refused it)");
}

int Server::Serve() {
    if (fuse_set_signal_handlers(session_) != 0)
        throw FileError("Cannot install the signal handlers of the mount");
    watch_.Start(source_.Path(), [this] {
        if (!source_.Unchanged()) ArchiveChanged();
    });
    fuse_loop_config* config = fuse_loop_cfg_create();
    fuse_loop_cfg_set_clone_fd(config, 0);
    const int result = fuse_session_loop_mt(session_, config);
    fuse_loop_cfg_destroy(config);
    watch_.Stop();
    fuse_remove_signal_handlers(session_);
    return result >= 0 ? 0 : 1;  // a positive result is the signal that ended the loop
}

void Server::Unmount() { fuse_session_unmount(session_); }

// The child's end of the pipe to the parent of a mount in the background: "+" once mounted,
// "-" and the reason when the mount failed.
void Tell(int pipe, const std::string& message) {
    for (std::size_t done = 0; done < message.size();) {
        const ssize_t written = ::write(pipe, message.data() + done, message.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

std::string ReadAll(int pipe) {
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipe, buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

// The child of a mount in the background: a session of its own, so that the terminal's Ctrl-C
// does not reach it; its output goes to /dev/null once the parent has its answer.
[[noreturn]] void ServeInChild(Server& server, int pipe) {
    ::setsid();
    ::openlog("vantor-cli", LOG_PID, LOG_USER);
    try {
        server.Mount();
    } catch (const std::exception& error) {
        Tell(pipe, std::string("-") + error.what());
        ::_exit(1);
    }
    Tell(pipe, "+");
    ::close(pipe);
    const int nothing = ::open("/dev/null", O_RDWR);
    for (int fd = 0; fd <= 2; ++fd) ::dup2(nothing, fd);
    if (nothing > 2) ::close(nothing);
    [[maybe_unused]] const int unused = ::chdir("/");
    int status = 1;
    try {
        status = server.Serve();
    } catch (const std::exception& error) {
        ::syslog(LOG_ERR, "%s", error.what());
    }
    server.Unmount();
    ::_exit(status);
}

// Waits for the child's answer, then for the folder to answer a first request.
int AwaitMount(int pipe, const MountSettings& settings) {
    const std::string answer = ReadAll(pipe);
    ::close(pipe);
    if (answer.starts_with("-")) throw FileError(answer.substr(1));
    struct stat folder {
    }, parent{};
    if (answer != "+" || ::stat(settings.folder.c_str(), &folder) != 0 ||
        ::stat((settings.folder + "/..").c_str(), &parent) != 0 || folder.st_dev == parent.st_dev)
        throw FileError("The mount at " + Quoted(settings.folder) + " ended before it answered.");
    return 0;
}

}  // namespace

int ServeMount(const MountView& view, ArchiveSource& source, const MountSettings& settings,
               std::ostream& err) {
    Server server(view, source, settings, err);
    if (!settings.foreground) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            throw FileError("Cannot start the mount: " + std::string(std::strerror(errno)));
        const pid_t child = ::fork();
        if (child < 0)
            throw FileError("Cannot start the mount: " + std::string(std::strerror(errno)));
        if (child == 0) {
            ::close(ends[0]);
            ServeInChild(server, ends[1]);
        }
        ::close(ends[1]);
        return AwaitMount(ends[0], settings);
    }
    server.Mount();
    const int status = server.Serve();
    server.Unmount();
    return status;
}

}  // namespace platform
