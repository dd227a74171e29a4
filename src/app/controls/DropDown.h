#pragma once

namespace vorrindel::app {

// What the two drop-down lists, the type list and the drive list, do alike.
class DropDown {
public:
    // The wheel turned over the closed list, `delta` in 120ths of a notch (positive away from the
    // user). It changes nothing: the pointer crosses these lists on its way to the folder and file
    // lists below them, and the drive list holds the focus from the start, so a turn meant for the
    // lists below would change the type or the drive, and what is saved, without the user seeing
    // it. The keys and the dropped list choose an entry; the dropped list scrolls with the wheel.
    void userWheel(int delta) const { (void)delta; }
};

}  // namespace vorrindel::app
