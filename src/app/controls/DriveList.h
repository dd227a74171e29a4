#pragma once
#include <functional>
#include <string>

#include "app/Window.h"
#include "app/controls/DropDown.h"
#include "app/controls/EventRunner.h"
#include "listing/Drives.h"

namespace vorrindel::app {

// The drive list (Drive1): one entry per drive, shown with its label. It starts on the drive
// holding the working folder.
class DriveList : public DropDown {
public:
    DriveList(listing::DriveTable& drives, ListView& view, EventRunner& events);

    // The selected drive's text, e.g. "/ [sda2]"; empty when the system has no drive at all.
    std::string drive() const;
    // Selects the drive that `text` names (see DriveTable::byText); raises Change when that is
    // another drive than the selected one. A text naming no drive fails.
    void setDrive(const std::string& text);

    void userChose(int index);

    std::function<void()> onChange;

private:
    void select(int index);
    listing::DriveTable& drives_;
    ListView& view_;
    EventRunner& events_;
    int selected_ = -1;
};

}  // namespace vorrindel::app
