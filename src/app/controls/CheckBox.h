#pragma once
#include <functional>

#include "app/Window.h"
#include "app/controls/EventRunner.h"

namespace vorrindel::app {

// "Do not close previous file" (Check1): 0 unticked, 1 ticked, 2 dimmed (only the program sets
// it). Every change of the value raises Click.
class CheckBox {
public:
    CheckBox(CheckView& view, EventRunner& events);

    int value() const { return value_; }
    // Fails for a value other than 0, 1 or 2.
    void setValue(int value);
    // The user clicked it: ticked becomes unticked, anything else ticked.
    void userToggle();

    std::function<void()> onClick;

private:
    void change(int value);
    CheckView& view_;
    EventRunner& events_;
    int value_ = 0;
};

}  // namespace vorrindel::app
