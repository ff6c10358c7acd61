#include "archive/EditLock.h"

#include "archive/VTR_STR.h"

namespace VTR_CORE {

std::string LockFilePath(const std::string& archivePath) {
    return platform::Files().WriteTarget(archivePath) + ".lock";
}

std::string BusyMessage(const std::string& archivePath) {
    return platform::Quoted(archivePath) + " is being changed by another program.";
}

EditLock::EditLock(const std::string& archivePath, std::chrono::milliseconds wait,
                   const std::function<void()>& whileWaiting)
    : lock_(platform::LockWithin(LockFilePath(archivePath), wait, whileWaiting)) {
    if (!lock_) throw VTR_STR::ArchiveBusy(BusyMessage(archivePath));
    // No other edit runs now, so a temporary file of this archive is one a killed edit left.
    platform::RemoveLeftoverTemps(archivePath);
}

}  // namespace VTR_CORE
