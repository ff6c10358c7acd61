// Timing helpers and the report: one parseable line per figure, in the order measured.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Wall-clock seconds taken by `work`.
template <class Work>
double SecondsFor(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    std::forward<Work>(work)();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> samples);

// One figure of the table. With a baseline the target bounds ours / baseline; without one it
// bounds ours itself, in `unit`.
struct Figure {
    std::string name;
    double ours = 0;
    std::optional<double> baseline;
    double target = 0;
    std::string unit = "s";

    double Ratio() const { return baseline && *baseline > 0 ? ours / *baseline : 0; }
    bool Met() const { return baseline ? Ratio() <= target : ours <= target; }
};

// The line printed for a figure, e.g.
// "directory load: ours 0.0031 s, baseline 0.0012 s, ratio 2.58, target 3".
std::string FormatFigure(const Figure& figure);

class Report {
public:
    // Prints the figure's line at once, so a long run shows progress.
    void Add(const Figure& figure);
    // Prints "all targets met" or the names of the figures that missed, and a line per fault.
    void PrintSummary() const;
    // A fault found while measuring (a check of the engine's result failed, a figure could not
    // be measured); printed with the summary and reported by the exit status.
    void Fail(const std::string& text);
    bool Failed() const { return !failures_.empty(); }

private:
    std::vector<Figure> figures_;
    std::vector<std::string> failures_;
};

}  // namespace bench
