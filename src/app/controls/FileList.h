#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/Window.h"
#include "app/controls/EventRunner.h"
#include "app/controls/LatestReading.h"

namespace vorrindel::app {

// A move in the file list with the keyboard.
enum class Move { Up, Down, PageUp, PageDown, Home, End };

// The file list (File1): the files of one folder that match a pattern, read in the background.
// Choosing a file, with a mouse click (also on the file already selected) or with each move of
// the keyboard, raises Click; re-listing never does, and clears the selection.
class FileList {
public:
    FileList(listing::BackgroundReader& reader, Window& window, ListView& view, EventRunner& events);

    const std::string& path() const { return path_; }
    const std::string& pattern() const { return pattern_; }
    // The selected file's name, without its folder, byte for byte as listed; empty when none.
    std::string fileName() const;
    // The files listed so far.
    const std::vector<std::string>& names() const { return names_; }

    // Each re-lists (setPath only when the folder changes). A folder that cannot be opened fails
    // at once and leaves the list as it was; otherwise the list fills when the reading is done.
    void setPath(const std::string& folder);
    void setPattern(const std::string& pattern);
    void refresh();

    void userClick(int row);
    // `pageRows`: how many rows the view shows at once.
    void userMove(Move move, int pageRows);

    void waitUntilListed() { reading_.waitAndShow(); }

    std::function<void()> onClick;

private:
    void relist(const std::string& folder, const std::string& pattern);
    void show(LatestReading::Result result);
    void choose(int row);
    ListView& view_;
    EventRunner& events_;
    std::string path_;
    std::string pattern_;
    std::vector<std::string> names_;
    int selected_ = -1;
    LatestReading reading_;
};

}  // namespace vorrindel::app
