// The folder tree on arbitrary entry names (the input split at zero bytes, which a BIG name
// cannot hold; at most 4096 names). Properties: exactly one file node per entry, empty names
// included, each entry's index exactly once, no file node with
// children, every folder with at least one child and unique among its siblings, parents created
// before their children, each file node's folder path spelling its entry's name, and the child
// index listing every node once, under its parent, in creation order.
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "archive/DirectoryTree.h"
#include "fuzz/FuzzSupport.h"

using DirectoryTree::NodeKind;
using fuzzsupport::Require;

namespace {

constexpr std::size_t kMaxEntries = 4096;

std::vector<std::string> SplitNames(const std::string& input) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= input.size() && names.size() < kMaxEntries) {
        std::size_t end = input.find('\0', start);
        if (end == std::string::npos) end = input.size();
        names.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string PathOf(const std::vector<DirectoryTree::TreeNode>& nodes, int index) {
    std::string path(nodes[index].Text);
    for (int parent = nodes[index].Parent; parent >= 0; parent = nodes[parent].Parent)
        path = std::string(nodes[parent].Text) + "\\" + path;
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto names = SplitNames(fuzzsupport::AsBytes(data, size));
    const std::vector<std::string_view> views(names.begin(), names.end());
    const auto nodes = DirectoryTree::BuildTreeNodes(views);
    const DirectoryTree::ChildIndex children(nodes);
    const std::size_t entries = names.size();

    std::vector<int> fileNodeOfEntry(entries, -1);
    std::vector<int> childCount(nodes.size(), 0);
    std::set<std::pair<int, std::string>> folders;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        Require(node.Parent >= -1 && node.Parent < static_cast<int>(i),
                "a node's parent was not created before it");
        if (node.Parent >= 0) {
            Require(nodes[node.Parent].Kind == NodeKind::Folder, "a file node has children");
            ++childCount[node.Parent];
        }
        if (node.Kind == NodeKind::Folder) {
            Require(node.Entry == -1, "a folder node carries an entry");
            Require(folders.insert({node.Parent, std::string(node.Text)}).second,
                    "two sibling folders have the same text");
            continue;
        }
        Require(node.Entry >= 0 && std::size_t(node.Entry) < entries,
                "a file node for an entry that is not there");
        const auto entry = static_cast<std::size_t>(node.Entry);
        Require(fileNodeOfEntry[entry] == -1, "an entry has two file nodes");
        fileNodeOfEntry[entry] = static_cast<int>(i);
        Require(PathOf(nodes, static_cast<int>(i)) == names[entry],
                "a file node's folders and text do not spell its entry's name");
    }
    for (std::size_t entry = 0; entry < entries; ++entry)
        Require(fileNodeOfEntry[entry] != -1, "an entry before the end mark has no file node");
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].Kind == NodeKind::Folder)
            Require(childCount[i] > 0, "a folder node without children");
    // The child index lists every node once, under its parent, in creation order.
    std::size_t listed = 0;
    for (int parent = -1; parent < static_cast<int>(nodes.size()); ++parent) {
        int previous = -1;
        for (const std::int32_t child : children.Of(parent)) {
            Require(nodes[child].Parent == parent && child > previous,
                    "the child index lists a node under another parent or out of order");
            previous = child;
            ++listed;
        }
    }
    Require(listed == nodes.size(), "the child index misses nodes");
    return 0;
}
