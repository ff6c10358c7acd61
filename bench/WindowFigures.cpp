// The window figures, run offscreen: building the folder tree for 1024 against 4096 entries,
// and opening the CSF editor on the large string table.
#include <QApplication>
#include <QListWidget>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <memory>
#include <vector>

#include "archive/VTR_CORE.h"
#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "mainwindow/VTR_MAIN.h"
#include "stringtable/VTR_CSF.h"
#include "stringtable/VTR_CSFWND.h"

namespace bench {

namespace {

class QuietHost : public VTR_STR::EditorHost {
public:
    void OnlineReplace(const std::int32_t&, const std::string&) override {}
    void EditorClosed() override {}
};

void SetEntryNames(VTR_MAIN& window, const std::vector<std::string>& names) {
    window.Archive.Entries.clear();
    for (const std::string& name : names) window.Archive.Add(name, std::string());
}

int FileNodes(QTreeWidget& tree) {
    int files = 0;
    for (QTreeWidgetItemIterator node(&tree); *node; ++node)
        if (!VTR_MAIN::NodeTag(*node).isEmpty()) ++files;
    return files;
}

// Builds the tree for `names` as a load does (after the tree was emptied) and lets the window
// lay it out; returns the seconds taken.
double TreeBuild(Context& context, VTR_MAIN& window, const std::vector<std::string>& names) {
    SetEntryNames(window, names);
    window.tv_BIGDirectory->clear();
    QApplication::processEvents();
    const double seconds = SecondsFor([&] {
        window.BuildDirectoryTree();
        QApplication::processEvents();
    });
    if (FileNodes(*window.tv_BIGDirectory) != int(names.size()))
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
    window.tv_BIGDirectory->clear();
    window.Archive.Entries.clear();
    context.report.Add({"tree growth", Median(largeTimes), Median(smallTimes), 5});
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
    TreeGrowth(context);
    EditorOpen(context);
}

}  // namespace bench
