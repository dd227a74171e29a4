#include "app/controls/CheckBox.h"

#include <string>

namespace vorrindel::app {

CheckBox::CheckBox(CheckView& view, EventRunner& events) : view_(view), events_(events) { view_.setValue(0); }

void CheckBox::setValue(int value) {
    if (value < 0 || value > 2) throw ControlError("invalid check box value " + std::to_string(value));
    change(value);
}

void CheckBox::userToggle() {
    events_.runEvent("Check1", [this] { change(value_ == 1 ? 0 : 1); });
}

void CheckBox::change(int value) {
    view_.setValue(value);
    if (value == value_) return;
    value_ = value;
    if (onClick) events_.runEvent("Check1_Click", onClick);
}

}  // namespace vorrindel::app
