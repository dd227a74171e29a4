#pragma once
#include <QComboBox>
#include <functional>
#include <string>

#include "app/controls/EventRunner.h"
#include "listing/Drives.h"

namespace vorrindel::app {

// The drive list: one entry per drive, shown as its mount point and label. It starts on the
// drive holding the working directory.
class DriveListBox : public QComboBox {
public:
    DriveListBox(listing::DriveTable& drives, EventRunner& events, QWidget* parent = nullptr);

    // The selected drive's text, e.g. "/ [sda2]".
    std::string drive() const;
    // Selects the drive that `text` names (see DriveTable::byText) and raises Change when that is
    // another drive. A text naming no drive fails.
    void setDrive(const std::string& text);

    std::function<void()> onChange;

private:
    void select(int index);
    listing::DriveTable& drives_;
    EventRunner& events_;
    int selected_ = -1;
};

}  // namespace vorrindel::app
