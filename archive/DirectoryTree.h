// Turns the entry names of an archive into the nodes of a folder tree, without any window code.
// Names are paths with "\" between folder names. Nodes come out in creation order, which is the
// order in which they are shown: folders where first met, files in entry order, nothing sorted.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace DirectoryTree {

enum class NodeKind { Folder, File };

struct TreeNode {
    std::string Text;         // folder segment or file name, bytes as stored in the archive
    std::int32_t Entry = -1;  // file nodes: the entry's index; folder nodes: -1
    int Parent = -1;          // index of the parent node in the node list, -1 at the root level
    NodeKind Kind = NodeKind::Folder;
};

// Builds the nodes for `names` (entry 0 first): one file node per name, an empty name included.
// A folder segment joins the folder of the same text (exact bytes) under the same parent;
// otherwise a new folder is made there.
std::vector<TreeNode> BuildTreeNodes(std::span<const std::string> names);

}  // namespace DirectoryTree
