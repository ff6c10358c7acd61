#include "archive/DirectoryTree.h"

#include <functional>
#include <unordered_map>

namespace DirectoryTree {

namespace {

constexpr char Separator = '\\';

// A folder is identified by its parent node and its own text.
struct FolderKey {
    std::int32_t Parent;
    std::string_view Text;
    bool operator==(const FolderKey&) const = default;
};

struct FolderKeyHash {
    std::size_t operator()(const FolderKey& key) const {
        const std::size_t textHash = std::hash<std::string_view>{}(key.Text);
        return textHash ^ (std::hash<std::int32_t>{}(key.Parent) + 0x9e3779b97f4a7c15ULL +
                           (textHash << 6) + (textHash >> 2));
    }
};

class Builder {
public:
    explicit Builder(std::vector<TreeNode>& nodes) : nodes_(nodes) {}

    void AddEntry(std::string_view name, std::int32_t index) {
        const std::size_t last = name.rfind(Separator);
        if (last == std::string_view::npos) {
            nodes_.push_back({name, index, -1, NodeKind::File});
            return;
        }
        // Entries of one folder usually follow each other: the folder path of the last entry
        // gives its node without a lookup per segment.
        const std::string_view folders = name.substr(0, last + 1);
        if (folders != lastFolders_) {
            lastParent_ = FolderOfPath(folders);
            lastFolders_ = folders;
        }
        nodes_.push_back({name.substr(last + 1), index, lastParent_, NodeKind::File});
    }

private:
    // The folder node for `folders`, a path ending in a separator; made where missing.
    std::int32_t FolderOfPath(std::string_view folders) {
        std::int32_t parent = -1;
        std::size_t start = 0;
        for (std::size_t end = folders.find(Separator); end != std::string_view::npos;
             end = folders.find(Separator, start)) {
            parent = FolderFor({parent, folders.substr(start, end - start)});
            start = end + 1;
        }
        return parent;
    }

    std::int32_t FolderFor(const FolderKey& key) {
        const auto [found, made] = folders_.try_emplace(key, std::int32_t(nodes_.size()));
        if (made) nodes_.push_back({key.Text, -1, key.Parent, NodeKind::Folder});
        return found->second;
    }

    std::vector<TreeNode>& nodes_;
    std::unordered_map<FolderKey, std::int32_t, FolderKeyHash> folders_;
    std::string_view lastFolders_;
    std::int32_t lastParent_ = -1;
};

}  // namespace

std::vector<TreeNode> BuildTreeNodes(std::span<const std::string_view> names) {
    std::vector<TreeNode> nodes;
    nodes.reserve(names.size() + names.size() / 8);
    Builder builder(nodes);
    for (std::size_t i = 0; i < names.size(); ++i)
        builder.AddEntry(names[i], static_cast<std::int32_t>(i));
    return nodes;
}

ChildIndex::ChildIndex(std::span<const TreeNode> nodes) : first_(nodes.size() + 2, 0) {
    // Count the children of each parent (slot p + 1; the root level is slot 0), turn the counts
    // into starts, then place each node after its earlier siblings.
    for (const TreeNode& node : nodes) ++first_[std::size_t(node.Parent + 2)];
    for (std::size_t slot = 1; slot < first_.size(); ++slot) first_[slot] += first_[slot - 1];
    children_.resize(nodes.size());
    std::vector<std::int32_t> next(first_.begin(), first_.end() - 1);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        children_[std::size_t(next[std::size_t(nodes[i].Parent + 1)]++)] = std::int32_t(i);
}

std::span<const std::int32_t> ChildIndex::Of(std::int32_t parent) const {
    const auto slot = std::size_t(parent + 1);
    if (slot + 1 >= first_.size()) return {};
    return std::span<const std::int32_t>(children_).subspan(
        std::size_t(first_[slot]), std::size_t(first_[slot + 1] - first_[slot]));
}

}  // namespace DirectoryTree
