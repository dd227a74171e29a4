#include "app/controls/TypeList.h"

#include <algorithm>

namespace vorrindel::app {

TypeList::TypeList(ListView& view, EventRunner& events) : view_(view), events_(events) {}

void TypeList::addEntry(const std::string& entry) {
    entries_.push_back(entry);
    view_.setEntries(entries_, {});
    view_.setSelected(selected_);  // adding must not select anything
}

std::string TypeList::text() const { return selected_ < 0 ? std::string() : entries_[static_cast<size_t>(selected_)]; }

void TypeList::setText(const std::string& text) {
    const auto it = std::find(entries_.begin(), entries_.end(), text);
    if (it == entries_.end()) throw ControlError("\"" + text + "\" is not an entry of the type list");
    selected_ = static_cast<int>(it - entries_.begin());
    view_.setSelected(selected_);
    raiseClick();
}

void TypeList::userChose(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return;
    events_.runEvent("Combo1", [this, index] {
        selected_ = index;
        view_.setSelected(selected_);
        raiseClick();
    });
}

void TypeList::raiseClick() {
    if (onClick) events_.runEvent("Combo1_Click", onClick);
}

}  // namespace vorrindel::app
