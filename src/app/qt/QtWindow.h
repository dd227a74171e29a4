#pragma once
// The picker on Qt: six widgets that show what Form1 decides and hand the user's input to it.

#include <QWidget>
#include <memory>

#include "app/Form1.h"
#include "app/WindowDesign.h"

class QLabel;

namespace vorrindel::app::qt {

class ChoiceBox;
class FolderBox;
class FileBox;
class CheckBox;
class NoticeLine;

class QtWindow : public QWidget, public Window {
public:
    QtWindow(settings::SettingsFile settings, listing::DriveTable drives,
             opening::RequestQueue::OfficeFactory makeOffice, Form1::Options options = {}, QWidget* parent = nullptr);
    ~QtWindow() override;

    Form1& form() { return *form_; }

    // Window
    void post(std::function<void()> work) override;
    void bringToFront() override;
    void setBusy(bool busy) override;

    // The widgets, for the program's own tests and benchmarks.
    ChoiceBox* Combo1;
    ChoiceBox* Drive1;
    FolderBox* Dir1;
    FileBox* File1;
    CheckBox* Check1;
    NoticeLine* Label1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* widgetFor(design::ControlName name);
    std::unique_ptr<Form1> form_;
    bool exposed_ = false;
};

}  // namespace vorrindel::app::qt
