#pragma once
// What a front end (a window system) gives the picker's logic: a way to run work on the window
// thread, bringing the window to the front, and one small view per control. The logic decides
// what the controls hold; a view only shows it, and raises nothing when it is set.

#include <functional>
#include <string>
#include <vector>

namespace vorrindel::app {

class Window {
public:
    virtual ~Window() = default;
    // Runs `work` on the window thread, after the current event. May be called from any thread;
    // work posted to a window that is gone is dropped.
    virtual void post(std::function<void()> work) = 0;
    // Makes the window visible, active and the foreground window.
    virtual void bringToFront() = 0;
    // Shows the busy pointer over the window while requests run; the window stays usable.
    virtual void setBusy(bool busy) = 0;
};

// A list of texts with at most one selected: the type list, the drive list, the folder list and
// the file list. Texts are the system's bytes (UTF-8 where valid); a view may show them lossily.
class ListView {
public:
    virtual ~ListView() = default;
    // Replaces every entry. `levels` is empty, or gives each entry's depth (the folder list shows
    // the way from the root down, then the selected folder's sub-folders one level deeper).
    virtual void setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) = 0;
    // Selects `row` (-1: none) and keeps it in sight.
    virtual void setSelected(int row) = 0;
};

class CheckView {
public:
    virtual ~CheckView() = default;
    virtual void setValue(int value) = 0;  // 0 unticked, 1 ticked, 2 dimmed
};

class TextView {
public:
    virtual ~TextView() = default;
    virtual void setText(const std::string& text) = 0;
};

// The six views, as the front end made them.
struct Views {
    ListView& combo;
    ListView& drive;
    ListView& dir;
    ListView& file;
    CheckView& check;
    TextView& label;
};

}  // namespace vorrindel::app
