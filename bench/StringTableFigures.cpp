// The CSF engine's figure: reading and writing a string table, 10,000 labels against 40,000.
#include <vector>

#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "stringtable/VTR_CSF.h"

namespace bench {

namespace {

double ReadAndWrite(const std::string& csf, std::string& written) {
    return SecondsFor([&] { written = VTR_CSF::ReadStringTable(csf).Write(); });
}

}  // namespace

void RunStringTableFigures(Context& context) {
    const int smallCount = context.sizes.labelsSmall, largeCount = context.sizes.labelsLarge;
    const std::string small = MakeCsf(smallCount), large = MakeCsf(largeCount);
    std::vector<double> smallTimes, largeTimes;
    std::string smallWritten, largeWritten;
    for (int run = 0; run < context.sizes.smallRuns; ++run) {
        smallTimes.push_back(ReadAndWrite(small, smallWritten));
        largeTimes.push_back(ReadAndWrite(large, largeWritten));
    }
    if (smallWritten != small || largeWritten != large)
        context.report.Fail("a string table did not write back the bytes it read");
    const double largeMedian = Median(largeTimes);
    context.report.Add({"string table", largeMedian, Median(smallTimes), 4.5});
    context.report.Add(
        {"string table " + std::to_string(largeCount) + " labels", largeMedian, {}, 0.1});
}

}  // namespace bench
