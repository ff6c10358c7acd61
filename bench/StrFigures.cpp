// The text-source figures: csf2str and str2csf of the large string table, file to file, against
// reading and writing the same numbers of bytes through the engine's file layer.
#include <vector>

#include "bench/BenchInputs.h"
#include "bench/Figures.h"
#include "bench/RawFiles.h"
#include "platform/FileSystem.h"
#include "stringtable/StrFormat.h"

namespace bench {

namespace {

// 40000 as "40,000".
std::string WithThousands(int number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
    return digits;
}

void Csf2Str(const std::string& from, const std::string& to) {
    VTR_CSF::CsfTable table;
    table.Read(platform::ReadWholeFile(from));
    platform::WriteFileAtomic(to, {VTR_CSF::WriteStr(table, from)});
}

void Str2Csf(const std::string& from, const std::string& to) {
    const VTR_CSF::StrDocument doc = VTR_CSF::ReadStr(platform::ReadWholeFile(from), from);
    platform::WriteFileAtomic(to, {doc.Table.Write()});
}

// Reads `from` and writes `bytes` (of the size the conversion writes) through the file layer.
void ReadAndWrite(const std::string& from, const std::string& to, const std::string& bytes) {
    const std::string read = platform::ReadWholeFile(from);
    platform::WriteFileAtomic(to, {bytes});
}

// Median seconds of `convert` and of its baseline, run alternately.
std::pair<double, double> Measure(int runs, void (*convert)(const std::string&, const std::string&),
                                  const std::string& from, const std::string& to,
                                  const std::string& sameSize) {
    std::vector<double> ours, baseline;
    for (int run = 0; run < runs; ++run) {
        SyncAll();
        ours.push_back(SecondsFor([&] { convert(from, to); }));
        SyncAll();
        baseline.push_back(SecondsFor([&] { ReadAndWrite(from, to + ".copy", sameSize); }));
    }
    return {Median(ours), Median(baseline)};
}

}  // namespace

void RunStrFigures(Context& context) {
    const int labels = context.sizes.labelsLarge;
    const std::string csf = context.folder + "/table.csf", str = context.folder + "/table.str",
                      back = context.folder + "/back.csf";
    WriteFast(csf, MakeCsf(labels));
    WarmUp(csf);
    Csf2Str(csf, str);  // once untimed, for the sizes and the check
    Str2Csf(str, back);
    VTR_CSF::CsfTable original;
    original.Read(platform::ReadWholeFile(csf));
    if (platform::ReadWholeFile(back) != original.Write())
        context.report.Fail("csf2str then str2csf did not give the table back");
    const std::string name = WithThousands(labels) + " labels";
    const auto [toText, toTextBase] = Measure(context.sizes.smallRuns, Csf2Str, csf, str,
                                              std::string(platform::FileLength(str), 's'));
    context.report.Add({"csf2str " + name, toText, toTextBase, 4});
    context.report.Add({"csf2str " + name + ", time", toText, {}, 0.1});
    const auto [toTable, toTableBase] = Measure(context.sizes.smallRuns, Str2Csf, str, back,
                                                std::string(platform::FileLength(back), 'c'));
    context.report.Add({"str2csf " + name, toTable, toTableBase, 4});
    context.report.Add({"str2csf " + name + ", time", toTable, {}, 0.1});
}

}  // namespace bench
