#pragma once
// A picker window reduced to what the openers read and do: plain fields, and a count of the times
// it was brought to the front.

#include <string>

#include "opening/Picker.h"

namespace vorrindel::testing {

struct FakePicker final : opening::Picker {
    std::string type;
    int check = 0;
    std::string dir = "/data";
    std::string file;
    int shown = 0;

    std::string typeText() const override { return type; }
    int checkValue() const override { return check; }
    std::string dirPath() const override { return dir; }
    std::string fileName() const override { return file; }
    void show() override { ++shown; }
};

}  // namespace vorrindel::testing
