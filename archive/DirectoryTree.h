// Turns the entry names of an archive into the nodes of a folder tree, without any window code.
// Names are paths with "\" between folder names. Nodes come out in creation order, which is the
// order in which they are shown: folders where first met, files in entry order, nothing sorted.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace DirectoryTree {

enum class NodeKind { Folder, File };

struct TreeNode {
    std::string_view Text;     // folder segment or file name: bytes of the name it came from
    std::int32_t Entry = -1;   // file nodes: the entry's index; folder nodes: -1
    std::int32_t Parent = -1;  // index of the parent node in the node list, -1 at the root level
    NodeKind Kind = NodeKind::Folder;
};

// Builds the nodes for `names` (entry 0 first): one file node per name, an empty name included.
// A folder segment joins the folder of the same text (exact bytes) under the same parent;
// otherwise a new folder is made there. The nodes' texts point into `names`.
std::vector<TreeNode> BuildTreeNodes(std::span<const std::string_view> names);

// The children of each node in the order they were made, for showing a folder's nodes only when
// it is opened.
class ChildIndex {
public:
    ChildIndex() = default;
    explicit ChildIndex(std::span<const TreeNode> nodes);
    // The children of node `parent`; -1 gives the nodes at the root level.
    std::span<const std::int32_t> Of(std::int32_t parent) const;

private:
    // The children of node p are children_[first_[p + 1]] up to before children_[first_[p + 2]].
    std::vector<std::int32_t> first_;
    std::vector<std::int32_t> children_;
};

}  // namespace DirectoryTree
