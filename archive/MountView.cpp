#include "archive/MountView.h"

#include <algorithm>
#include <functional>

#include "archive/CaseFold.h"
#include "archive/EntryPath.h"
#include "archive/VTR_STR.h"

namespace VTR_CORE {

// Adds the entries one by one in directory order, so that the first of two clashing names is
// the one kept.
class MountView::Builder {
public:
    Builder(MountView& view, const std::vector<ArchiveEntry>& entries, bool windowsRules,
            std::vector<std::string>& warnings)
        : view_(view), entries_(entries), windowsRules_(windowsRules), warnings_(warnings) {}

    void AddAll() {
        // Whether a name maps does not depend on letter case, so the first of a set of twins is
        // the one shown whenever any of them can be.
        firstOfSameName_ = CaseFold::FirstOfSameName(
            entries_.size(), [&](std::size_t i) { return entries_[i].Name.View(); });
        for (std::size_t i = 0; i < entries_.size(); ++i) Add(i);
    }

private:
    void Add(std::size_t index) {
        const EntryName& name = entries_[index].Name;
        const EntryPath::PathMapping mapping = EntryPath::NameToPath(name, windowsRules_);
        if (!mapping.Maps()) return LeaveOut(index, mapping.problem);
        if (firstOfSameName_[index] != index) return LeaveOutTwin(index, firstOfSameName_[index]);
        NodeId folder = Root;
        for (std::size_t s = 0; s + 1 < mapping.segments.size(); ++s) {
            const std::optional<NodeId> found = view_.Find(folder, mapping.segments[s]);
            if (found && !view_.IsFolder(*found))
                return LeaveOut(index, Label(view_.EntryIndex(*found)) +
                                           " is a file, so it cannot also be a folder");
            folder = found ? *found : NewFolder(folder, mapping.segments[s], index);
        }
        if (const std::optional<NodeId> found = view_.Find(folder, mapping.segments.back()))
            return LeaveOut(index,
                            "it is already a folder, made for " + Label(view_.EntryIndex(*found)));
        const NodeId file = view_.AddNode(folder, mapping.segments.back(), false);
        Node& node = view_.nodes_[file];
        node.entry = static_cast<std::uint32_t>(index);
        node.dataOffset = std::int64_t{entries_[index].Position} - 1;
        node.size = entries_[index].Size;
    }

    NodeId NewFolder(NodeId parent, std::string_view name, std::size_t index) {
        const NodeId folder = view_.AddNode(parent, name, true);
        view_.nodes_[folder].entry = static_cast<std::uint32_t>(index);
        ++view_.nodes_[parent].subfolders;
        return folder;
    }

    void LeaveOutTwin(std::size_t index, std::size_t first) {
        const bool identical = entries_[index].Name == entries_[first].Name;
        warnings_.push_back(Label(index) +
                            (identical ? " has the same name as entry " + std::to_string(first + 1)
                                       : " differs from " + Label(first) + " only in letter case") +
                            "; only the first is shown.");
    }

    void LeaveOut(std::size_t index, const std::string& why) {
        warnings_.push_back(Label(index) + " is left out: " + why + ".");
    }

    std::string Label(std::size_t index) const {
        return EntryPath::EntryLabel(index, entries_[index].Name);
    }

    MountView& view_;
    const std::vector<ArchiveEntry>& entries_;
    bool windowsRules_;
    std::vector<std::string>& warnings_;
    std::vector<std::size_t> firstOfSameName_;
};

MountView::MountView(const std::vector<ArchiveEntry>& entries, bool windowsRules,
                     std::vector<std::string>& warnings)
    : lookup_(0, ChildHash{this}, ChildEqual{this}) {
    nodes_.reserve(entries.size() + 1);
    lookup_.reserve(entries.size() + 1);
    nodes_.push_back(Node{});  // the root: a folder without a name
    Builder(*this, entries, windowsRules, warnings).AddAll();
    LayOutChildren();
}

MountView::NodeId MountView::AddNode(NodeId parent, std::string_view name, bool folder) {
    if (nodes_.size() >= UINT32_MAX || names_.size() + name.size() >= UINT32_MAX)
        throw VTR_STR::LimitExceeded("The archive has more names than a mounted folder can hold.");
    Node node;
    node.parent = parent;
    node.nameStart = static_cast<std::uint32_t>(names_.size());
    node.nameLength = static_cast<std::uint32_t>(name.size());
    node.folder = folder;
    names_.append(name);
    nodes_.push_back(node);
    const auto id = static_cast<NodeId>(nodes_.size() - 1);
    lookup_.insert(id);
    return id;
}

// Places every folder's children side by side in children_, in the order they were made.
void MountView::LayOutChildren() {
    for (NodeId id = 1; id < nodes_.size(); ++id) ++nodes_[nodes_[id].parent].childCount;
    std::uint32_t start = 0;
    for (Node& node : nodes_) {
        node.childrenStart = start;
        start += node.childCount;
        node.childCount = 0;
    }
    children_.resize(start);
    for (NodeId id = 1; id < nodes_.size(); ++id) {
        Node& parent = nodes_[nodes_[id].parent];
        children_[parent.childrenStart + parent.childCount++] = id;
    }
}

std::optional<MountView::NodeId> MountView::Find(NodeId folder, std::string_view name) const {
    const auto found = lookup_.find(ChildKey{folder, name});
    if (found == lookup_.end()) return std::nullopt;
    return *found;
}

std::span<const MountView::NodeId> MountView::Children(NodeId folder) const {
    const Node& node = nodes_[folder];
    return std::span<const NodeId>(children_).subspan(node.childrenStart, node.childCount);
}

std::string_view MountView::Name(NodeId node) const {
    return std::string_view(names_).substr(nodes_[node].nameStart, nodes_[node].nameLength);
}

MountView::Span MountView::Locate(NodeId file, std::int64_t offset, std::size_t count) const {
    const Node& node = nodes_[file];
    if (node.folder || offset < 0 || offset >= node.size) return {node.dataOffset, 0};
    const auto available = static_cast<std::size_t>(node.size - offset);
    return {node.dataOffset + offset, std::min(count, available)};
}

std::size_t MountView::ChildHash::operator()(NodeId node) const {
    return (*this)(view->KeyOf(node));
}

std::size_t MountView::ChildHash::operator()(const ChildKey& key) const {
    const std::size_t nameHash = std::hash<std::string_view>{}(key.name);
    return nameHash ^
           (std::size_t{key.parent} * 0x9e3779b97f4a7c15ULL + (nameHash << 6) + (nameHash >> 2));
}

bool MountView::ChildEqual::operator()(NodeId a, NodeId b) const {
    return (*this)(view->KeyOf(a), b);
}

bool MountView::ChildEqual::operator()(const ChildKey& key, NodeId node) const {
    return view->nodes_[node].parent == key.parent && view->Name(node) == key.name;
}

bool MountView::ChildEqual::operator()(NodeId node, const ChildKey& key) const {
    return (*this)(key, node);
}

}  // namespace VTR_CORE
