#include "archive/DirectoryTree.h"

#include <functional>
#include <unordered_map>

namespace DirectoryTree {

namespace {

// A folder is identified by its parent node and its own text.
struct FolderKey {
    int Parent;
    std::string Text;
    bool operator==(const FolderKey&) const = default;
};

struct FolderKeyHash {
    std::size_t operator()(const FolderKey& key) const {
        const std::size_t textHash = std::hash<std::string>{}(key.Text);
        return textHash ^ (std::hash<int>{}(key.Parent) + 0x9e3779b97f4a7c15ULL + (textHash << 6) +
                           (textHash >> 2));
    }
};

class Builder {
public:
    explicit Builder(std::vector<TreeNode>& nodes) : nodes_(nodes) {}

    void AddEntry(const std::string& name, int index) {
        int parent = -1;
        std::size_t start = 0;
        for (std::size_t slash = name.find('\\'); slash != std::string::npos;
             slash = name.find('\\', start)) {
            parent = FolderFor(FolderKey{parent, name.substr(start, slash - start)});
            start = slash + 1;
        }
        nodes_.push_back({name.substr(start), std::to_string(index), parent, NodeKind::File});
    }

private:
    int FolderFor(FolderKey key) {
        const auto found = folders_.find(key);
        if (found != folders_.end()) return found->second;
        nodes_.push_back({key.Text, std::string(), key.Parent, NodeKind::Folder});
        const int created = static_cast<int>(nodes_.size()) - 1;
        folders_.emplace(std::move(key), created);
        return created;
    }

    std::vector<TreeNode>& nodes_;
    std::unordered_map<FolderKey, int, FolderKeyHash> folders_;
};

}  // namespace

std::vector<TreeNode> BuildTreeNodes(std::span<const std::string> names) {
    std::vector<TreeNode> nodes;
    Builder builder(nodes);
    for (std::size_t i = 0; i < names.size(); ++i) builder.AddEntry(names[i], static_cast<int>(i));
    return nodes;
}

}  // namespace DirectoryTree
