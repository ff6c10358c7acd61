#include "bench/BenchReport.h"

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

// Small values keep their significant digits; the rest are shown to four decimals.
std::string Number(double value) {
    char text[64];
    const double magnitude = value < 0 ? -value : value;
    std::snprintf(text, sizeof text, magnitude != 0 && magnitude < 0.001 ? "%.6f" : "%.4f", value);
    return text;
}

std::string Target(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

}  // namespace

double Median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    if (samples.size() % 2 == 1) return samples[middle];
    return (samples[middle - 1] + samples[middle]) / 2;
}

std::string FormatFigure(const Figure& figure) {
    std::string line = figure.name + ": ours " + Number(figure.ours) + " " + figure.unit;
    if (figure.baseline) {
        char ratio[64];
        std::snprintf(ratio, sizeof ratio, "%.2f", figure.Ratio());
        line += ", baseline " + Number(*figure.baseline) + " " + figure.unit + ", ratio " + ratio;
    }
    return line + ", target " + Target(figure.target);
}

void Report::Add(const Figure& figure) {
    figures_.push_back(figure);
    std::printf("%s\n", FormatFigure(figure).c_str());
    std::fflush(stdout);
}

void Report::Fail(const std::string& text) { failures_.push_back(text); }

void Report::PrintSummary() const {
    std::string missed;
    for (const Figure& figure : figures_)
        if (!figure.Met()) missed += (missed.empty() ? "" : ", ") + figure.name;
    if (figures_.empty())
        std::printf("no figures measured\n");
    else if (missed.empty())
        std::printf("all targets met\n");
    else
        std::printf("targets missed: %s\n", missed.c_str());
    for (const std::string& failure : failures_) std::printf("failed: %s\n", failure.c_str());
    std::fflush(stdout);
}

}  // namespace bench
