#include "bench/PeakMemory.h"

#include <malloc.h>

#include <chrono>
#include <fstream>
#include <string>

namespace bench {

namespace {

// A "Name:   1234 kB" field of /proc/self/status, in KiB; 0 when it is missing.
std::int64_t StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1));
    return 0;
}

bool ResetHighWaterMark() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

}  // namespace

PeakMemory::PeakMemory() {
    // Free heap memory still resident would hide new allocations that reuse it.
    ::malloc_trim(0);
    kernelReset_ = ResetHighWaterMark() && StatusKiB("VmHWM") <= StatusKiB("VmRSS") + 64;
    startKiB_ = StatusKiB("VmRSS");
    if (kernelReset_) return;
    sampledPeakKiB_ = startKiB_;
    sampler_ = std::thread([this] { Sample(); });
}

PeakMemory::~PeakMemory() {
    stop_ = true;
    if (sampler_.joinable()) sampler_.join();
}

void PeakMemory::Sample() {
    while (!stop_) {
        const std::int64_t now = StatusKiB("VmRSS");
        if (now > sampledPeakKiB_) sampledPeakKiB_ = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

double PeakMemory::GrowthMiB() {
    stop_ = true;
    if (sampler_.joinable()) sampler_.join();
    const std::int64_t peak = kernelReset_ ? StatusKiB("VmHWM") : sampledPeakKiB_.load();
    return double(peak - startKiB_) / 1024.0;
}

}  // namespace bench
