#include "app/controls/FolderList.h"

#include "listing/Listing.h"

namespace vorrindel::app {

FolderList::FolderList(listing::DriveTable& drives, listing::BackgroundReader& reader, Window& window,
                       ListView& view, EventRunner& events)
    : drives_(drives), view_(view), events_(events), path_(listing::normalizePath(listing::workingDirectory())),
      reading_(reader, window, [this](LatestReading::Result result) { showSubfolders(std::move(result)); }) {
    rebuild();
}

void FolderList::setPath(const std::string& text) {
    std::string target;
    if (drives_.isDriveText(text) && !listing::isFolder(text))
        target = drives_.currentFolder(*drives_.byText(text));
    else if (listing::isAbsolute(text))
        target = listing::normalizePath(text);
    else
        target = listing::joinPath(path_, text);
    if (!listing::isFolder(target)) throw ControlError("folder \"" + target + "\" does not exist");

    const bool changed = target != path_;
    path_ = target;
    drives_.setCurrentFolder(path_);
    rebuild();
    if (changed && onChange) events_.runEvent("Dir1_Change", onChange);
}

void FolderList::userOpen(int row) {
    if (row < 0 || row >= static_cast<int>(paths_.size())) return;
    const std::string target = paths_[static_cast<size_t>(row)];
    events_.runEvent("Dir1", [this, target] { setPath(target); });
}

void FolderList::rebuild() {
    names_.clear();
    levels_.clear();
    paths_.clear();
    for (auto& step : listing::folderChain(path_)) {
        levels_.push_back(static_cast<int>(names_.size()));
        names_.push_back(std::move(step.name));
        paths_.push_back(std::move(step.path));
    }
    selectedRow_ = static_cast<int>(names_.size()) - 1;
    view_.setEntries(names_, levels_);
    view_.setSelected(selectedRow_);
    reading_.start([folder = path_] {
        // An unreadable folder still shows where it is; it simply offers nothing below it.
        LatestReading::Result result;
        try {
            result.names = listing::listFolders(folder);
        } catch (const std::exception&) {
        }
        return result;
    });
}

void FolderList::showSubfolders(LatestReading::Result result) {
    const int level = selectedRow_ + 1;
    for (const auto& name : result.names) {
        names_.push_back(name);
        levels_.push_back(level);
        paths_.push_back(listing::joinPath(path_, name));
    }
    view_.setEntries(names_, levels_);
    view_.setSelected(selectedRow_);
}

}  // namespace vorrindel::app
