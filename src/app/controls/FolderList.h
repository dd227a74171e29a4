#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/Window.h"
#include "app/controls/EventRunner.h"
#include "app/controls/LatestReading.h"
#include "listing/Drives.h"

namespace vorrindel::app {

// The folder list (Dir1): the folders from the root down to the selected one, then the selected
// folder's sub-folders, read in the background. Opening an entry makes it the selected folder.
class FolderList {
public:
    FolderList(listing::DriveTable& drives, listing::BackgroundReader& reader, Window& window, ListView& view,
               EventRunner& events);

    // The selected folder, without a trailing separator except at a root.
    const std::string& path() const { return path_; }
    // A drive's text selects that drive's current folder; any other text is a folder path,
    // absolute or relative to the selected folder. Raises Change when the folder differs from the
    // selected one. A folder that does not exist fails and changes nothing.
    void setPath(const std::string& text);

    // The user opened the entry in `row` (a double click, Enter).
    void userOpen(int row);

    // The full path of each entry, as listed so far.
    const std::vector<std::string>& entryPaths() const { return paths_; }
    void waitUntilListed() { reading_.waitAndShow(); }

    std::function<void()> onChange;

private:
    void rebuild();
    void showSubfolders(LatestReading::Result result);
    listing::DriveTable& drives_;
    ListView& view_;
    EventRunner& events_;
    std::string path_;
    std::vector<std::string> names_;
    std::vector<int> levels_;
    std::vector<std::string> paths_;
    int selectedRow_ = 0;
    LatestReading reading_;
};

}  // namespace vorrindel::app
