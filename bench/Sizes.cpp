#include "bench/Figures.h"

namespace bench {

Sizes FullSizes() { return Sizes{}; }

Sizes SmallSizes() {
    Sizes sizes;
    sizes.directoryEntries = 2000;
    sizes.archiveBytes = std::size_t(4) << 20;
    sizes.archiveEntries = 64;
    sizes.extractBytes = std::size_t(1) << 20;
    sizes.treeEntriesSmall = 256;
    sizes.treeEntriesLarge = 1024;
    sizes.labelsSmall = 1000;
    sizes.labelsLarge = 4000;
    sizes.largeRuns = 2;
    sizes.extractRuns = 2;
    sizes.smallRuns = 3;
    sizes.cliFiles = 200;
    sizes.cliBytes = std::size_t(2) << 20;
    sizes.cliListFiles = 2000;
    return sizes;
}

}  // namespace bench
