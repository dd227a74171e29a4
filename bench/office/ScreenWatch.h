#pragma once
// Looks at the X screen for a mapped window whose title holds a name: the moment a document is
// visible, whoever opened it.

#include <memory>
#include <string>

class ScreenWatch {
public:
    ScreenWatch();  // the display in DISPLAY
    ~ScreenWatch();
    bool available() const;
    bool shows(const std::string& name);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
