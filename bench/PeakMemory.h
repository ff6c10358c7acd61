// The growth of the process's resident memory over a stretch of work, at its highest point.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace bench {

class PeakMemory {
public:
    // Returns free heap memory to the system first, so that what the work allocates shows. Resets
    // the kernel's high-water mark (VmHWM) where the system allows it; otherwise a
    // thread samples VmRSS every millisecond until GrowthMiB is called.
    PeakMemory();
    ~PeakMemory();
    PeakMemory(const PeakMemory&) = delete;
    PeakMemory& operator=(const PeakMemory&) = delete;

    // Highest resident size seen since construction, minus the size at construction, in MiB.
    double GrowthMiB();

private:
    void Sample();

    std::int64_t startKiB_ = 0;
    bool kernelReset_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> sampledPeakKiB_{0};
    std::thread sampler_;
};

}  // namespace bench
