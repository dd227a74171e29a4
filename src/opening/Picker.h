#pragma once
// What the openers read from, and do to, the picker window. The window implements it; the
// openers stay free of any window system.

#include <string>

namespace vorrindel::opening {

class Picker {
public:
    virtual ~Picker() = default;
    virtual std::string typeText() const = 0;  // the selected document type, "" when none
    virtual int checkValue() const = 0;        // "Do not close previous file": 0, 1 or 2 (dimmed)
    virtual std::string dirPath() const = 0;   // the folder list's path
    virtual std::string fileName() const = 0;  // the selected file, without its folder
    virtual void show() = 0;                   // bring the picker to the front, active
};

}  // namespace vorrindel::opening
