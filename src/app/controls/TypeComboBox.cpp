#include "app/controls/TypeComboBox.h"

namespace vorrindel::app {

TypeComboBox::TypeComboBox(EventRunner& events, QWidget* parent) : QComboBox(parent), events_(events) {
    setEditable(false);
    setCurrentIndex(-1);
    // A choice made with the mouse or keyboard is a click, even of the entry already shown.
    connect(this, &QComboBox::activated, this, [this](int) { raiseClick(); });
}

void TypeComboBox::addEntry(const QString& entry) {
    const int keep = currentIndex();
    addItem(entry);
    setCurrentIndex(keep);  // adding to an empty box must not select the first entry
}

QString TypeComboBox::text() const { return currentIndex() < 0 ? QString() : currentText(); }

void TypeComboBox::setText(const QString& text) {
    const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        throw ControlError("\"" + text.toStdString() + "\" is not an entry of the type list");
    setCurrentIndex(index);
    raiseClick();
}

void TypeComboBox::raiseClick() {
    if (onClick) events_.runEvent("Combo1_Click", onClick);
}

}  // namespace vorrindel::app
