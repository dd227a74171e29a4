#pragma once
#include <QComboBox>
#include <functional>

#include "app/controls/EventRunner.h"

namespace vorrindel::app {

// A drop-down list the user cannot type into. Its text is the selected entry, or empty while
// nothing is selected.
class TypeComboBox : public QComboBox {
public:
    TypeComboBox(EventRunner& events, QWidget* parent = nullptr);

    void addEntry(const QString& entry);
    QString text() const;
    // Selects the entry of that text and raises Click; any other text fails and changes nothing.
    void setText(const QString& text);

    std::function<void()> onClick;

private:
    void raiseClick();
    EventRunner& events_;
};

}  // namespace vorrindel::app
