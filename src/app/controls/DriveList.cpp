#include "app/controls/DriveList.h"

#include "listing/Listing.h"

namespace vorrindel::app {

namespace {

int indexOf(const listing::DriveTable& table, const listing::Drive* drive) {
    if (!drive) return -1;
    const auto& all = table.drives();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].mountPoint == drive->mountPoint) return static_cast<int>(i);
    return -1;
}

}  // namespace

DriveList::DriveList(listing::DriveTable& drives, ListView& view, EventRunner& events)
    : drives_(drives), view_(view), events_(events) {
    std::vector<std::string> texts;
    for (const auto& d : drives_.drives()) texts.push_back(d.text());
    view_.setEntries(texts, {});
    selected_ = indexOf(drives_, drives_.driveOf(listing::workingDirectory()));
    if (selected_ < 0 && !texts.empty()) selected_ = 0;
    view_.setSelected(selected_);
}

std::string DriveList::drive() const {
    return selected_ < 0 ? std::string() : drives_.drives()[static_cast<size_t>(selected_)].text();
}

void DriveList::setDrive(const std::string& text) {
    const int index = indexOf(drives_, drives_.byText(text));
    if (index < 0) throw ControlError("no drive \"" + text + "\"");
    select(index);
}

void DriveList::userChose(int index) {
    if (index < 0 || index >= static_cast<int>(drives_.drives().size())) return;
    events_.runEvent("Drive1", [this, index] { select(index); });
}

void DriveList::select(int index) {
    view_.setSelected(index);
    if (index == selected_) return;
    selected_ = index;
    if (onChange) events_.runEvent("Drive1_Change", onChange);
}

}  // namespace vorrindel::app
