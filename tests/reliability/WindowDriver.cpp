#include "tests/reliability/WindowDriver.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtGlobal>
#include <fstream>
#include <stdexcept>

#include "archive/VTR_CORE.h"

namespace reliability {

namespace {

std::uint32_t BigEndianAt(const std::string& bytes, std::size_t offset) {
    if (offset + 4 > bytes.size()) throw std::runtime_error("BIG file cut short");
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// The offscreen platform says for every window shown that it cannot raise or resize it; the
// long run shows thousands of windows, so those notes are dropped and everything else kept.
QtMessageHandler previousHandler = nullptr;

void QuietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.startsWith("This plugin does not support")) return;
    if (previousHandler) previousHandler(type, context, text);
}

}  // namespace

FolderSnapshot Snapshot(const testsupport::TempDir& dir) {
    FolderSnapshot files;
    for (const std::string& name : dir.List()) files[name] = testsupport::ReadBytes(dir.File(name));
    return files;
}

std::string SnapshotDifferences(const FolderSnapshot& before, const FolderSnapshot& after) {
    std::string differences;
    const auto describe = [](const FolderSnapshot& files, const std::string& name) {
        const auto found = files.find(name);
        return found == files.end() ? std::string("missing")
                                    : std::to_string(found->second.size()) + " bytes";
    };
    FolderSnapshot all = before;
    all.insert(after.begin(), after.end());
    for (const auto& [name, bytes] : all) {
        const auto a = before.find(name);
        const auto b = after.find(name);
        if (a != before.end() && b != after.end() && a->second == b->second) continue;
        differences += " " + name + " (" + describe(before, name) + " before, " +
                       describe(after, name) + " after, contents differ);";
    }
    return differences;
}

testsupport::NamedData ParseBig(const std::string& bytes) {
    if (bytes.compare(0, 4, "BIGF") != 0) throw std::runtime_error("no BIG signature");
    const std::uint32_t count = BigEndianAt(bytes, 8);
    testsupport::NamedData entries;
    std::size_t record = 16;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t offset = BigEndianAt(bytes, record);
        const std::uint32_t size = BigEndianAt(bytes, record + 4);
        const std::size_t zero = bytes.find('\0', record + 8);
        if (zero == std::string::npos || std::size_t{offset} + size > bytes.size())
            throw std::runtime_error("BIG directory out of bounds");
        entries.emplace_back(bytes.substr(record + 8, zero - record - 8),
                             bytes.substr(offset, size));
        record = zero + 1;
    }
    return entries;
}

long ResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

void DeleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

WindowDriver::WindowDriver() {
    static const bool quiet = (previousHandler = qInstallMessageHandler(QuietOffscreenNotes), true);
    (void)quiet;
    VTR_CORE::BlankEntries();
    auto& archive = VTR_CORE::Archive();
    archive.ArchivePath.clear();
    archive.EntryCount = 0;
    archive.LastIndex = 0;
    window_ = std::make_unique<VTR_MAIN>();
}

WindowDriver::~WindowDriver() {
    if (QWidget* editor = window_->OpenEditor()) delete editor;
    window_.reset();
    DeleteClosedWindows();
}

void WindowDriver::Load(const std::string& path, bool loadWhole) {
    window_->cb_Loadwhole->setChecked(loadWhole);
    dialogs().fileAnswers.push_back(QString::fromStdString(path));
    window_->but_Load_Click();
}

void WindowDriver::Save(const std::string& path) {
    dialogs().fileAnswers.push_back(QString::fromStdString(path));
    window_->but_Save_Click();
}

void WindowDriver::Extract(int entry, const std::string& destination) {
    Select(entry);
    dialogs().fileAnswers.push_back(QString::fromStdString(destination));
    window_->but_Extract_Click();
}

void WindowDriver::Replace(int entry, const std::string& source) {
    Select(entry);
    dialogs().fileAnswers.push_back(QString::fromStdString(source));
    window_->but_Replace_Click();
}

QWidget* WindowDriver::Edit(int entry) {
    Select(entry);
    window_->rmb_Editfile_Click();
    return window_->OpenEditor();
}

QTreeWidgetItem* WindowDriver::FileNode(int entry) const {
    const QString tag = QString::number(entry);
    for (QTreeWidgetItemIterator it(window_->tv_BIGDirectory); *it; ++it)
        if (VTR_MAIN::NodeTag(*it) == tag) return *it;
    return nullptr;
}

void WindowDriver::Select(int entry) {
    QTreeWidgetItem* node = FileNode(entry);
    if (!node) throw std::runtime_error("no file node for entry " + std::to_string(entry));
    window_->tv_BIGDirectory->setCurrentItem(node);
}

QString WindowDriver::LastMessage() const {
    const auto& messages = scripted_.dialogs.messages;
    return messages.empty() ? QString() : messages.back().text;
}

int WindowDriver::LogLineCount() const {
    int lines = 0;
    for (const QString& line : window_->EventLogText().split("\r\n"))
        if (!line.isEmpty()) ++lines;
    return lines;
}

}  // namespace reliability
