#pragma once
#include <QCheckBox>
#include <functional>

#include "app/controls/EventRunner.h"

namespace vorrindel::app {

// A check box valued 0 (unticked), 1 (ticked) or 2 (dimmed; only the program sets it). Every
// change of the value raises Click.
class TriStateCheckBox : public QCheckBox {
public:
    TriStateCheckBox(const QString& caption, EventRunner& events, QWidget* parent = nullptr);

    int value() const;
    // Fails for a value other than 0, 1 or 2.
    void setValue(int value);

    std::function<void()> onClick;

protected:
    void nextCheckState() override;

private:
    void raiseClick();
    EventRunner& events_;
};

}  // namespace vorrindel::app
