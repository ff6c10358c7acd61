// The folder tree of the main window's archive, kept in step with the archive as entries are
// added, deleted and renamed, so that the window changes a few items instead of building the
// tree again. It starts as DirectoryTree builds it (same nodes, same order); later changes
// follow the same rule: a name's folders join the folder of the same text under the same
// parent, a new node comes last among its siblings. Node numbers stay valid for the life of the
// tree: a deleted node is marked as such, never reused. No window code here.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/DirectoryTree.h"

class ArchiveTree {
public:
    struct Node {
        std::string_view Text;     // folder segment or file name
        std::int32_t Id = -1;      // file nodes: the entry's place in the order entries came in
        std::int32_t Parent = -1;  // -1 at the top level
        bool Removed = false;
        bool Replaced = false;  // shown as a file whose data was replaced
        bool IsFile() const { return Id >= 0; }
    };

    // What a change did to the nodes, for the window to follow.
    struct Change {
        std::vector<std::int32_t> Removed;   // each node before the folder above it
        std::vector<std::int32_t> Added;     // each folder before the nodes under it
        std::vector<std::int32_t> Retitled;  // nodes that stayed in place with a new text
    };

    // A new tree for the entry names `names`, entry 0 first.
    void Build(std::span<const std::string_view> names);

    std::size_t NodeCount() const { return nodes_.size(); }
    const Node& At(std::int32_t node) const { return nodes_[std::size_t(node)]; }
    // The entry index of a file node now; -1 for a folder.
    std::int32_t EntryOf(std::int32_t node) const;
    // The nodes under `parent` (-1: the top level), in the order they are shown.
    std::span<const std::int32_t> Children(std::int32_t parent) const;
    std::size_t EntryCount() const { return fileNodes_.size(); }
    std::int32_t FileNode(std::int32_t entry) const { return fileNodes_[std::size_t(entry)]; }
    // The folders of `folder` from the top, with "\" between them and after the last: the
    // start of the names of the entries under it. Empty for -1, the top level.
    std::string FolderPrefix(std::int32_t folder) const;
    // The entries under `folder`, at any depth, in entry order.
    std::vector<std::int32_t> EntriesUnder(std::int32_t folder) const;

    // The archive lost the entries `entries` (ascending): their nodes go, and so do the folders
    // they leave empty; every later entry's index drops by the number removed before it.
    Change RemoveEntries(std::span<const std::int32_t> entries);
    // The archive gained an entry named `name` at its end.
    Change AddEntry(std::string_view name);
    // Entry `entry` is now named `name`. In the same folder its node keeps its place; in another
    // one it moves there, last among its siblings.
    Change RenameEntry(std::int32_t entry, std::string_view name);
    void MarkReplaced(std::int32_t node) { nodes_[std::size_t(node)].Replaced = true; }

private:
    struct FolderKey {
        std::int32_t Parent;
        std::string_view Text;
        bool operator==(const FolderKey&) const = default;
    };
    struct FolderKeyHash {
        std::size_t operator()(const FolderKey& key) const;
    };

    // The list of `parent`'s children, to be changed.
    std::vector<std::int32_t>& EditChildren(std::int32_t parent);
    std::int32_t NewNode(std::string_view text, std::int32_t id, std::int32_t parent,
                         Change& change);
    // The folder node for the folders of `name` (up to its last "\"), made where missing.
    std::int32_t FolderFor(std::string_view name, Change& change);
    // Marks the nodes of `gone` removed, takes them out of their parents' lists, and removes
    // the folders that are left empty, the way up.
    void Prune(std::vector<std::int32_t> gone, Change& change);
    std::string_view Keep(std::string_view name);

    std::string text_;               // the names the tree was built from, back to back
    std::deque<std::string> later_;  // names given since, each kept whole
    std::vector<Node> nodes_;
    // The children as built, and the lists of the parents changed since (a load makes no list
    // of its own per folder: with many entries that would cost more than the rest of it).
    DirectoryTree::ChildIndex built_;
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> changed_;
    std::vector<std::int32_t> fileNodes_;  // the file node of each entry
    // Ids only grow, in entry order, so an entry's index is its id less the number of removed
    // ids below it: a deletion renumbers the later entries without touching their nodes.
    std::vector<std::int32_t> removedIds_;  // ascending
    std::int32_t nextId_ = 0;
    // The folder nodes by parent and text, made when the first name is added or renamed.
    std::unordered_map<FolderKey, std::int32_t, FolderKeyHash> folders_;
    bool foldersIndexed_ = false;
};
