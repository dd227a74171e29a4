#include "app/controls/TriStateCheckBox.h"

#include <string>

namespace vorrindel::app {

TriStateCheckBox::TriStateCheckBox(const QString& caption, EventRunner& events, QWidget* parent)
    : QCheckBox(caption, parent), events_(events) {
    setTristate(true);
    connect(this, &QCheckBox::clicked, this, [this] { raiseClick(); });
}

int TriStateCheckBox::value() const {
    switch (checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    }
    return 0;
}

void TriStateCheckBox::setValue(int value) {
    if (value < 0 || value > 2) throw ControlError("invalid check box value " + std::to_string(value));
    if (value == this->value()) return;
    setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
    raiseClick();
}

// The user only ticks and unticks; a dimmed box becomes ticked.
void TriStateCheckBox::nextCheckState() { setCheckState(value() == 1 ? Qt::Unchecked : Qt::Checked); }

void TriStateCheckBox::raiseClick() {
    if (onClick) events_.runEvent("Check1_Click", onClick);
}

}  // namespace vorrindel::app
