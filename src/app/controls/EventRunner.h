#pragma once
// How a control raises its events. The window decides what a failure means: inside another
// handler it goes back to the caller that set the control; at the top of a user's action it is
// reported and the program goes on.

#include <functional>
#include <stdexcept>
#include <string_view>

namespace vorrindel::app {

// A property setting the control cannot carry out (an unknown entry, a missing folder, ...).
class ControlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EventRunner {
public:
    virtual ~EventRunner() = default;
    // Runs `body`, the control's event or the user's action on it.
    virtual void runEvent(std::string_view name, const std::function<void()>& body) = 0;
};

}  // namespace vorrindel::app
