#include "mainwindow/ArchiveTree.h"

#include <algorithm>
#include <functional>

namespace {

constexpr char Separator = '\\';

}  // namespace

std::size_t ArchiveTree::FolderKeyHash::operator()(const FolderKey& key) const {
    const std::size_t textHash = std::hash<std::string_view>{}(key.Text);
    return textHash ^ (std::hash<std::int32_t>{}(key.Parent) + 0x9e3779b97f4a7c15ULL +
                       (textHash << 6) + (textHash >> 2));
}

void ArchiveTree::Build(std::span<const std::string_view> names) {
    // The nodes' texts point into one copy of the names, so they stay valid whatever happens to
    // the entries.
    std::size_t total = 0;
    for (const std::string_view name : names) total += name.size();
    text_.clear();
    text_.reserve(total);
    for (const std::string_view name : names) text_ += name;
    std::vector<std::string_view> copies(names.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        copies[i] = std::string_view(text_).substr(start, names[i].size());
        start += names[i].size();
    }
    later_.clear();
    const std::vector<DirectoryTree::TreeNode> made = DirectoryTree::BuildTreeNodes(copies);
    nodes_.assign(made.size(), Node{});
    for (std::size_t n = 0; n < made.size(); ++n) {
        nodes_[n].Text = made[n].Text;
        nodes_[n].Id = made[n].Entry;  // -1 for folders
        nodes_[n].Parent = made[n].Parent;
    }
    removedIds_.clear();
    nextId_ = std::int32_t(names.size());

    built_ = DirectoryTree::ChildIndex(made);
    changed_.clear();
    fileNodes_.assign(names.size(), -1);
    for (std::size_t n = 0; n < nodes_.size(); ++n)
        if (nodes_[n].IsFile()) fileNodes_[std::size_t(nodes_[n].Id)] = std::int32_t(n);
    folders_.clear();
    foldersIndexed_ = false;
}

std::span<const std::int32_t> ArchiveTree::Children(std::int32_t parent) const {
    const auto edited = changed_.find(parent);
    return edited != changed_.end() ? std::span<const std::int32_t>(edited->second)
                                    : built_.Of(parent);
}

std::vector<std::int32_t>& ArchiveTree::EditChildren(std::int32_t parent) {
    const auto [list, made] = changed_.try_emplace(parent);
    if (made) list->second.assign(built_.Of(parent).begin(), built_.Of(parent).end());
    return list->second;
}

std::int32_t ArchiveTree::EntryOf(std::int32_t node) const {
    const std::int32_t id = At(node).Id;
    if (id < 0) return -1;
    const auto below = std::lower_bound(removedIds_.begin(), removedIds_.end(), id);
    return id - std::int32_t(below - removedIds_.begin());
}

std::string ArchiveTree::FolderPrefix(std::int32_t folder) const {
    std::vector<std::string_view> parts;
    for (std::int32_t node = folder; node >= 0; node = At(node).Parent)
        parts.push_back(At(node).Text);
    std::string prefix;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        prefix += *part;
        prefix += Separator;
    }
    return prefix;
}

std::vector<std::int32_t> ArchiveTree::EntriesUnder(std::int32_t folder) const {
    std::vector<std::int32_t> entries;
    std::vector<std::int32_t> pending{folder};
    while (!pending.empty()) {
        const std::int32_t node = pending.back();
        pending.pop_back();
        for (const std::int32_t child : Children(node)) {
            if (At(child).IsFile())
                entries.push_back(EntryOf(child));
            else
                pending.push_back(child);
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string_view ArchiveTree::Keep(std::string_view name) { return later_.emplace_back(name); }

std::int32_t ArchiveTree::NewNode(std::string_view text, std::int32_t id, std::int32_t parent,
                                  Change& change) {
    const auto number = std::int32_t(nodes_.size());
    Node node;
    node.Text = text;
    node.Id = id;
    node.Parent = parent;
    nodes_.push_back(node);
    EditChildren(parent).push_back(number);
    if (id < 0) folders_.emplace(FolderKey{parent, text}, number);
    change.Added.push_back(number);
    return number;
}

std::int32_t ArchiveTree::FolderFor(std::string_view name, Change& change) {
    if (!foldersIndexed_) {
        for (std::size_t n = 0; n < nodes_.size(); ++n)
            if (!nodes_[n].IsFile() && !nodes_[n].Removed)
                folders_.emplace(FolderKey{nodes_[n].Parent, nodes_[n].Text}, std::int32_t(n));
        foldersIndexed_ = true;
    }
    std::int32_t parent = -1;
    std::size_t start = 0;
    for (std::size_t end = name.find(Separator); end != std::string_view::npos;
         end = name.find(Separator, start)) {
        const std::string_view segment = name.substr(start, end - start);
        const auto found = folders_.find(FolderKey{parent, segment});
        parent = found != folders_.end() ? found->second : NewNode(segment, -1, parent, change);
        start = end + 1;
    }
    return parent;
}

void ArchiveTree::Prune(std::vector<std::int32_t> gone, Change& change) {
    while (!gone.empty()) {
        std::vector<std::int32_t> parents;
        for (const std::int32_t node : gone) {
            Node& removed = nodes_[std::size_t(node)];
            removed.Removed = true;
            if (foldersIndexed_ && !removed.IsFile())
                folders_.erase(FolderKey{removed.Parent, removed.Text});
            change.Removed.push_back(node);
            parents.push_back(removed.Parent);
        }
        std::sort(parents.begin(), parents.end());
        parents.erase(std::unique(parents.begin(), parents.end()), parents.end());
        // Each list is compacted once, however many of its nodes went.
        gone.clear();
        for (const std::int32_t parent : parents) {
            std::vector<std::int32_t>& siblings = EditChildren(parent);
            std::erase_if(siblings, [&](std::int32_t n) { return At(n).Removed; });
            if (parent >= 0 && siblings.empty()) gone.push_back(parent);
        }
    }
}

ArchiveTree::Change ArchiveTree::RemoveEntries(std::span<const std::int32_t> entries) {
    Change change;
    if (entries.empty()) return change;
    std::vector<std::int32_t> gone, ids;
    gone.reserve(entries.size());
    ids.reserve(entries.size());
    for (const std::int32_t entry : entries) {
        gone.push_back(FileNode(entry));
        ids.push_back(At(gone.back()).Id);
    }
    // The later entries move up over the gaps, in one pass.
    auto next = entries.begin();
    std::size_t kept = std::size_t(*next);
    for (std::size_t entry = kept; entry < fileNodes_.size(); ++entry) {
        if (next != entries.end() && std::size_t(*next) == entry) {
            ++next;
            continue;
        }
        fileNodes_[kept++] = fileNodes_[entry];
    }
    fileNodes_.resize(kept);
    const std::size_t before = removedIds_.size();
    removedIds_.insert(removedIds_.end(), ids.begin(), ids.end());
    std::inplace_merge(removedIds_.begin(), removedIds_.begin() + std::ptrdiff_t(before),
                       removedIds_.end());
    Prune(std::move(gone), change);
    return change;
}

ArchiveTree::Change ArchiveTree::AddEntry(std::string_view name) {
    Change change;
    const std::string_view kept = Keep(name);
    const std::size_t last = kept.rfind(Separator);
    const std::int32_t parent = FolderFor(kept, change);
    const std::string_view text = last == std::string_view::npos ? kept : kept.substr(last + 1);
    fileNodes_.push_back(NewNode(text, nextId_++, parent, change));
    return change;
}

ArchiveTree::Change ArchiveTree::RenameEntry(std::int32_t entry, std::string_view name) {
    Change change;
    const std::int32_t node = FileNode(entry);
    const std::string_view kept = Keep(name);
    const std::size_t last = kept.rfind(Separator);
    const std::string_view text = last == std::string_view::npos ? kept : kept.substr(last + 1);
    const std::int32_t parent = FolderFor(kept, change);
    const std::int32_t oldParent = At(node).Parent;
    nodes_[std::size_t(node)].Text = text;
    if (parent == oldParent) {
        change.Retitled.push_back(node);
        return change;
    }
    // The node moves: it leaves its old list (taking empty folders with it) and joins the end
    // of the new one, keeping its number.
    std::vector<std::int32_t>& siblings = EditChildren(oldParent);
    siblings.erase(std::find(siblings.begin(), siblings.end(), node));
    change.Removed.push_back(node);
    if (oldParent >= 0 && siblings.empty()) Prune({oldParent}, change);
    nodes_[std::size_t(node)].Parent = parent;
    EditChildren(parent).push_back(node);
    change.Added.push_back(node);
    return change;
}
