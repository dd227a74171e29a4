// The drives of a Windows system: its drive letters, each with its volume label.
#include "listing/Drives.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "listing/Listing.h"
#include "common/WideText.h"

namespace vorrindel::listing {

namespace {

// How long the table waits for volumes to say their labels. A local disk answers in
// milliseconds; a network drive whose server has gone can take half a minute, and an empty card
// reader must not keep the window from coming up either. Late drives show without a label.
constexpr std::chrono::milliseconds kLabelWait{1500};

std::vector<std::wstring> driveRoots() {
    std::wstring buffer(128, L'\0');
    for (;;) {
        const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) break;
        buffer.assign(length + 1, L'\0');
    }
    std::vector<std::wstring> roots;
    for (const wchar_t* root = buffer.c_str(); *root; root += wcslen(root) + 1) roots.emplace_back(root);
    return roots;
}

std::string volumeLabel(const std::wstring& root) {
    windows::QuietDriveErrors quiet;  // no "insert a disk" box for a drive without a medium
    wchar_t label[MAX_PATH + 1] = L"";
    if (!GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) return {};
    return windows::narrow(label);
}

// The labels of all `roots`, each asked on a thread of its own; "" for a drive that has not
// answered within kLabelWait. The threads that are still waiting are left to finish on their own.
std::vector<std::string> volumeLabels(const std::vector<std::wstring>& roots) {
    struct Answers {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string> labels;
        std::size_t pending = 0;
    };
    auto answers = std::make_shared<Answers>();
    answers->labels.resize(roots.size());
    answers->pending = roots.size();
    for (std::size_t i = 0; i < roots.size(); ++i) {
        try {
            std::thread([answers, i, root = roots[i]] {
                std::string label = volumeLabel(root);
                std::lock_guard lock(answers->mutex);
                answers->labels[i] = std::move(label);
                --answers->pending;
                answers->changed.notify_all();
            }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: that drive shows without its label.
            std::lock_guard lock(answers->mutex);
            --answers->pending;
        }
    }
    std::unique_lock lock(answers->mutex);
    answers->changed.wait_for(lock, kLabelWait, [&] { return answers->pending == 0; });
    return answers->labels;
}

}  // namespace

DriveTable DriveTable::system() {
    const std::vector<std::wstring> roots = driveRoots();
    const std::vector<std::string> labels = volumeLabels(roots);
    std::vector<Drive> drives;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const std::string root = normalizePath(windows::narrow(roots[i]));  // "c:\\"
        drives.push_back(Drive{root, labels[i], root.substr(0, 2)});
    }
    return DriveTable::of(std::move(drives), workingDirectory());
}

}  // namespace vorrindel::listing
