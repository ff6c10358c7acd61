// The window figures, run offscreen: loading a large archive until the tree is shown against the
// engine's directory load of the same file, deleting one of its entries against that load, the
// folder tree for 1024 against 4096 entries, and opening the CSF editor on the large string
// table.
#include <QApplication>
#include <QListWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <memory>
#include <vector>

#include "archive/BigArchive.h"
#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "bench/RawFiles.h"
#include "mainwindow/VTR_MAIN.h"
#include "stringtable/VTR_CSFWND.h"

namespace bench {

namespace {

class QuietHost : public VTR_STR::EditorHost {
public:
    void OnlineReplace(const std::int32_t&, const std::string&) override {}
    void EditorClosed() override {}
    void LogEditorEvent(const std::string&, const std::string&) override {}
};

// Expands every folder, as a user opening them all would; returns the file nodes.
int ExpandAll(QTreeWidget& tree) {
    int files = 0;
    for (QTreeWidgetItemIterator node(&tree); *node; ++node) {
        if (VTR_MAIN::NodeEntry(*node) >= 0)
            ++files;
        else
            tree.expandItem(*node);
    }
    return files;
}

// Builds the tree for `names` as a load does (after the tree was emptied), opens every folder
// and lets the window lay it out; returns the seconds taken.
double TreeBuild(Context& context, VTR_MAIN& window, const std::vector<std::string>& names) {
    window.Archive.Entries.clear();
    for (const std::string& name : names) window.Archive.Add(name, std::string());
    window.tv_BIGDirectory->clear();
    QApplication::processEvents();
    int files = 0;
    const double seconds = SecondsFor([&] {
        window.BuildDirectoryTree();
        files = ExpandAll(*window.tv_BIGDirectory);
        QApplication::processEvents();
    });
    if (files != int(names.size()))
        context.report.Fail("the tree lacks file nodes for " + std::to_string(names.size()) +
                            " entries");
    return seconds;
}

void TreeGrowth(Context& context) {
    const std::vector<std::string> small = TreeNames(context.sizes.treeEntriesSmall);
    const std::vector<std::string> large = TreeNames(context.sizes.treeEntriesLarge);
    VTR_MAIN window;
    window.show();
    QApplication::processEvents();
    std::vector<double> smallTimes, largeTimes;
    for (int run = 0; run < context.sizes.smallRuns; ++run) {
        smallTimes.push_back(TreeBuild(context, window, small));
        largeTimes.push_back(TreeBuild(context, window, large));
    }
    context.report.Add({"tree growth", Median(largeTimes), Median(smallTimes), 5});
}

struct LoadInput {
    std::string path;
    int entries = 0;
};

LoadInput MakeLoadInput(Context& context, int entries, const std::string& name) {
    const LoadInput input{context.folder + "/" + name, entries};
    const std::vector<std::string> names = TreeNames(entries);
    WriteBigArchive(input.path, names, std::vector<std::size_t>(names.size(), 64));
    WarmUp(input.path);
    return input;
}

// "Load BIG file..." with the file chosen, until the tree shows its top level. A tiny archive
// is loaded first, untimed, so that the figure is this load and not the freeing of the last.
double WindowLoad(Context& context, VTR_MAIN& window, const LoadInput& input, const QString& tiny) {
    window.LoadFile(tiny);
    QApplication::processEvents();
    const double seconds = SecondsFor([&] {
        window.LoadFile(QString::fromStdString(input.path));
        QApplication::processEvents();
    });
    const int roots = (input.entries + 255) / 256;  // TreeNames: 256 entries per top folder
    if (window.Archive.Entries.size() != std::size_t(input.entries) ||
        window.tv_BIGDirectory->topLevelItemCount() != roots || !window.isVisible())
        context.report.Fail("the window did not show the tree of " + std::to_string(input.entries) +
                            " entries");
    return seconds;
}

// The node of the archive's first entry, its folders opened; nullptr when there is none.
QTreeWidgetItem* FirstFileNode(QTreeWidget& tree) {
    QTreeWidgetItem* node = tree.topLevelItem(0);
    while (node && VTR_MAIN::NodeEntry(node) < 0) {
        tree.expandItem(node);
        node = node->child(0);
    }
    return node && VTR_MAIN::NodeEntry(node) == 0 ? node : nullptr;
}

// "Delete file..." on the archive's first entry, shown in its opened folder, until the tree no
// longer shows it. Each run deletes the entry that became the first; every 16th run empties a
// folder, which goes too.
double WindowDelete(Context& context, VTR_MAIN& window) {
    QTreeWidget& tree = *window.tv_BIGDirectory;
    QTreeWidgetItem* node = FirstFileNode(tree);
    if (!node) {
        context.report.Fail("the first entry's node was not found");
        return 0;
    }
    const QString name = node->text(0);
    tree.setCurrentItem(node);
    QApplication::processEvents();
    const std::size_t entries = window.Archive.Entries.size();
    const double seconds = SecondsFor([&] {
        window.But_Delfile_Click();
        QApplication::processEvents();
    });
    const QTreeWidgetItem* next = FirstFileNode(tree);
    if (window.Archive.Entries.size() != entries - 1 || !next || next->text(0) == name)
        context.report.Fail("the deleted entry's node stayed, or the next one lost its entry");
    return seconds;
}

double EngineLoad(const LoadInput& input) {
    VTR_CORE::BigArchive archive;
    return SecondsFor([&] { archive.Open(input.path, false); });
}

// The window's load of the large archive against the engine's load of its directory, and
// against the window's load of an archive a tenth as large; the three take turns.
void WindowLoadFigures(Context& context) {
    const int large = context.sizes.directoryEntries;
    const LoadInput big = MakeLoadInput(context, large, "window.big");
    const LoadInput small = MakeLoadInput(context, large / 10, "window-small.big");
    const LoadInput tiny = MakeLoadInput(context, 1, "window-tiny.big");
    VTR_MAIN window;
    window.show();
    QApplication::processEvents();
    const QString tinyPath = QString::fromStdString(tiny.path);
    std::vector<double> ours, engine, oursSmall;
    for (int run = 0; run < context.sizes.smallRuns; ++run) {
        ours.push_back(WindowLoad(context, window, big, tinyPath));
        engine.push_back(EngineLoad(big));
        oursSmall.push_back(WindowLoad(context, window, small, tinyPath));
    }
    context.report.Add({"window load", Median(ours), Median(engine), 15});
    context.report.Add({"window load growth", Median(ours), Median(oursSmall), 12});
    window.LoadFile(QString::fromStdString(big.path));
    std::vector<double> deletes;
    for (int run = 0; run < context.sizes.smallRuns; ++run)
        deletes.push_back(WindowDelete(context, window));
    context.report.Add({"window delete", Median(deletes), Median(ours), 0.1});
    for (const LoadInput* input : {&big, &small, &tiny}) RemoveIfPresent(input->path);
}

// From the entry's bytes to the editor showing every label, as "Edit file" opens it.
void EditorOpen(Context& context) {
    const int labels = context.sizes.labelsLarge;
    const std::string csf = MakeCsf(labels);
    QuietHost host;
    std::vector<double> times;
    const int runs = std::max(3, context.sizes.smallRuns / 4);
    for (int run = 0; run < runs; ++run) {
        std::unique_ptr<VTR_CSFWND> window;
        times.push_back(SecondsFor([&] {
            window = std::make_unique<VTR_CSFWND>(host, 0, csf);
            window->show();
            QApplication::processEvents();
        }));
        if (window->lst_CSFEntries->count() != labels)
            context.report.Fail("the editor listed " +
                                std::to_string(window->lst_CSFEntries->count()) + " of " +
                                std::to_string(labels) + " labels");
        window.reset();
        QApplication::processEvents();
    }
    context.report.Add({"editor open", Median(times), {}, 1});
}

}  // namespace

void RunWindowFigures(Context& context) {
    WindowLoadFigures(context);
    TreeGrowth(context);
    EditorOpen(context);
}

}  // namespace bench
