#pragma once
// The picker window: document type, drive, folder and file lists, the "Do not close previous
// file" box and a notice line. Its handlers keep the lists and comp.ini in step and hand a click
// on a file to the opener of the chosen type.

#include <QWidget>
#include <functional>
#include <set>
#include <string>

#include "app/controls/EventRunner.h"
#include "listing/Drives.h"
#include "automation/Automation.h"
#include "opening/OpenRequest.h"
#include "opening/Picker.h"
#include "settings/SettingsFile.h"

class QLabel;

namespace vorrindel::app {

class TypeComboBox;
class DriveListBox;
class DirListBox;
class FileListBox;
class TriStateCheckBox;

class Form1 : public QWidget, public opening::Picker, private EventRunner {
public:
    // Creating the window restores the saved choices (Form_Load); showing it is the caller's.
    Form1(settings::SettingsFile settings, listing::DriveTable drives, automation::OfficeAutomation& office,
          QWidget* parent = nullptr);
    ~Form1() override;

    // Opens the selected file as a workbook.
    void loadsheet();

    // Picker
    std::string typeText() const override;
    int checkValue() const override;
    std::string dirPath() const override;
    std::string fileName() const override;
    void show() override;

    // The controls, for the program's own tests and benchmarks.
    TypeComboBox* Combo1;
    DriveListBox* Drive1;
    DirListBox* Dir1;
    FileListBox* File1;
    TriStateCheckBox* Check1;
    QLabel* Label1;

    // The maker's notice that Label1 shows while there is nothing to report.
    static const QString kMakerNotice;
    // The last failure reported, empty when the notice line shows the maker's notice.
    const std::string& notice() const { return notice_; }

private:
    void Form_Load();
    void Combo1_Click();
    void Drive1_Change();
    void Dir1_Change();
    void Check1_Click();
    void File1_Click();

    void runEvent(std::string_view name, const std::function<void()>& body) override;
    void restore(const char* what, const std::string& saved, const std::function<void()>& apply);
    void save(const char* name, const std::string& value);
    void report(const std::string& text);
    void clearNotice();

    settings::SettingsFile settings_;
    listing::DriveTable drives_;
    opening::OpenRequest request_;
    int depth_ = 0;              // handlers running; above 0 a failure goes back to the caller
    bool reported_ = false;      // something was reported during the current user action
    std::string notice_;
    std::set<std::string> warnedSaving_;  // each settings-file problem is reported once
};

}  // namespace vorrindel::app
