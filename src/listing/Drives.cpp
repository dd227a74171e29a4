#include "listing/Drives.h"

#include <algorithm>

#include "listing/Listing.h"

namespace vorrindel::listing {

DriveTable DriveTable::of(std::vector<Drive> drives, const std::string& workingDirectory) {
    DriveTable table;
    table.drives_ = std::move(drives);
    std::stable_sort(table.drives_.begin(), table.drives_.end(),
                     [](const Drive& a, const Drive& b) { return a.mountPoint < b.mountPoint; });
    if (!workingDirectory.empty()) {
        const std::string wd = normalizePath(workingDirectory);
        if (const Drive* d = table.driveOf(wd)) table.current_[d->mountPoint] = wd;
    }
    return table;
}

const Drive* DriveTable::byText(std::string_view text) const {
    const std::string key = pathKey(text);
    const Drive* best = nullptr;
    for (const Drive& d : drives_) {
        const std::string name = pathKey(d.shownName());
        if (!key.starts_with(name)) continue;
        const std::string_view rest = std::string_view(key).substr(name.size());
        if (!rest.empty() && !rest.starts_with(" [") && d.name.empty()) continue;
        if (best == nullptr || name.size() > best->shownName().size()) best = &d;
    }
    return best;
}

const Drive* DriveTable::driveOf(std::string_view path) const {
    const std::string normal = pathKey(normalizePath(path));
    const Drive* best = nullptr;
    for (const Drive& d : drives_) {
        const std::string mp = pathKey(d.mountPoint);
        if (mp.empty() || !normal.starts_with(mp)) continue;
        // "/media" holds "/media/x" but not "/mediaX"; a root ("/", "c:\\") ends in its separator.
        const bool holds = normal.size() == mp.size() || isSeparator(mp.back()) || isSeparator(normal[mp.size()]);
        if (!holds) continue;
        if (best == nullptr || mp.size() > best->mountPoint.size()) best = &d;
    }
    return best;
}

bool DriveTable::isDriveText(std::string_view text) const {
    const Drive* d = byText(text);
    if (d == nullptr) return false;
    const std::size_t nameSize = d->shownName().size();
    if (text.size() == nameSize) return !d->name.empty();
    return text.back() == ']' && text.size() >= nameSize + 3 && text.substr(nameSize).starts_with(" [");
}

std::string DriveTable::currentFolder(const Drive& drive) const {
    if (const auto it = current_.find(drive.mountPoint); it != current_.end()) return it->second;
    return drive.mountPoint;
}

void DriveTable::setCurrentFolder(const std::string& path) {
    const std::string normal = normalizePath(path);
    if (const Drive* d = driveOf(normal)) current_[d->mountPoint] = normal;
}

}  // namespace vorrindel::listing
