#include "app/controls/DriveListBox.h"

#include <QDir>

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

DriveListBox::DriveListBox(listing::DriveTable& drives, EventRunner& events, QWidget* parent)
    : QComboBox(parent), drives_(drives), events_(events) {
    setEditable(false);
    for (const auto& d : drives_.drives()) addItem(QString::fromStdString(d.text()));
    selected_ = indexOf(drives_, drives_.driveOf(QDir::currentPath().toStdString()));
    if (selected_ < 0 && count() > 0) selected_ = 0;
    setCurrentIndex(selected_);
    connect(this, &QComboBox::activated, this, [this](int index) {
        events_.runEvent("Drive1", [this, index] { select(index); });
    });
}

std::string DriveListBox::drive() const {
    return selected_ < 0 ? std::string() : drives_.drives()[static_cast<size_t>(selected_)].text();
}

void DriveListBox::setDrive(const std::string& text) {
    const int index = indexOf(drives_, drives_.byText(text));
    if (index < 0) throw ControlError("no drive \"" + text + "\"");
    select(index);
}

void DriveListBox::select(int index) {
    setCurrentIndex(index);
    if (index == selected_) return;
    selected_ = index;
    if (onChange) events_.runEvent("Drive1_Change", onChange);
}

}  // namespace vorrindel::app
