#pragma once
#include <functional>
#include <string>
#include <vector>

#include "app/Window.h"
#include "app/controls/DropDown.h"
#include "app/controls/EventRunner.h"

namespace vorrindel::app {

// The document type list (Combo1): a drop-down list the user cannot type into. Its text is the
// selected entry's, or empty while nothing is selected.
class TypeList : public DropDown {
public:
    TypeList(ListView& view, EventRunner& events);

    void addEntry(const std::string& entry);
    const std::vector<std::string>& entries() const { return entries_; }
    std::string text() const;
    // Selects the entry of exactly that text (letter case counts) and raises Click; any other text
    // fails and changes nothing.
    void setText(const std::string& text);

    // The user chose an entry: a Click, also when it was the one shown.
    void userChose(int index);

    std::function<void()> onClick;

private:
    void raiseClick();
    ListView& view_;
    EventRunner& events_;
    std::vector<std::string> entries_;
    int selected_ = -1;
};

}  // namespace vorrindel::app
