// An archive as a read-only folder tree: folders made from the "\" in entry names, file names
// in UTF-8 as extract writes them, and each file's place in the archive. Built once from the
// directory and never changed, so any number of threads may read it at once. Lookups of a name
// in a folder are hashed; a folder's children lie side by side in one array.
//
// Entries the tree cannot show are left out, each with one warning: names extract refuses, a
// name that differs from an earlier one only in letter case (the earlier one is shown, at its
// own spelling), and a name whose path runs into an earlier one of the other kind (a file "a"
// and an entry "a\b", in either order: the first wins).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "archive/BigArchive.h"

namespace VTR_CORE {

class MountView {
public:
    using NodeId = std::uint32_t;
    static constexpr NodeId Root = 0;

    // The place of a piece of a file in the archive.
    struct Span {
        std::int64_t archiveOffset = 0;  // 0-based
        std::size_t length = 0;
    };

    // Builds the tree of `entries` (their names, positions and sizes). With `windowsRules`
    // names are refused as extract refuses them on Windows. Every entry left out adds one line
    // to `warnings`.
    MountView(const std::vector<ArchiveEntry>& entries, bool windowsRules,
              std::vector<std::string>& warnings);
    MountView(const MountView&) = delete;
    MountView& operator=(const MountView&) = delete;

    std::size_t NodeCount() const { return nodes_.size(); }
    // The child of `folder` named `name` (UTF-8, exact bytes).
    std::optional<NodeId> Find(NodeId folder, std::string_view name) const;
    // The children of `folder` in the order they were first met in the directory.
    std::span<const NodeId> Children(NodeId folder) const;

    std::string_view Name(NodeId node) const;
    NodeId Parent(NodeId node) const { return nodes_[node].parent; }
    bool IsFolder(NodeId node) const { return nodes_[node].folder; }
    // A file's length; 0 for a folder.
    std::int64_t Size(NodeId node) const { return nodes_[node].size; }
    // The folders directly inside `folder`.
    std::uint32_t SubfolderCount(NodeId folder) const { return nodes_[folder].subfolders; }
    // The index in the directory of the entry a file shows.
    std::size_t EntryIndex(NodeId file) const { return nodes_[file].entry; }

    // Where the bytes of `file` from `offset` on, at most `count` of them, lie in the archive.
    // A range that begins at or past the file's end is empty.
    Span Locate(NodeId file, std::int64_t offset, std::size_t count) const;

private:
    struct Node {
        NodeId parent = Root;
        std::uint32_t nameStart = 0;  // the name's bytes in names_
        std::uint32_t nameLength = 0;
        std::uint32_t childrenStart = 0;  // the children's ids in children_
        std::uint32_t childCount = 0;
        std::uint32_t subfolders = 0;
        bool folder = true;
        std::uint32_t entry = 0;
        std::int64_t dataOffset = 0;
        std::int64_t size = 0;
    };

    // A child name under a parent, the key the lookup set is searched by.
    struct ChildKey {
        NodeId parent;
        std::string_view name;
    };
    struct ChildHash {
        using is_transparent = void;
        const MountView* view;
        std::size_t operator()(NodeId node) const;
        std::size_t operator()(const ChildKey& key) const;
    };
    struct ChildEqual {
        using is_transparent = void;
        const MountView* view;
        bool operator()(NodeId a, NodeId b) const;
        bool operator()(const ChildKey& key, NodeId node) const;
        bool operator()(NodeId node, const ChildKey& key) const;
    };

    class Builder;

    NodeId AddNode(NodeId parent, std::string_view name, bool folder);
    ChildKey KeyOf(NodeId node) const { return {nodes_[node].parent, Name(node)}; }
    void LayOutChildren();

    std::vector<Node> nodes_;
    std::string names_;
    std::vector<NodeId> children_;
    std::unordered_set<NodeId, ChildHash, ChildEqual> lookup_;
};

}  // namespace VTR_CORE
