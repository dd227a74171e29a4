#pragma once
// The picker window's logic: document type, drive, folder and file lists, the "Do not close
// previous file" box and a notice line. Its handlers keep the lists and comp.ini in step and hand
// a click on a file to the automation thread. No window system here: a front end supplies the
// views (Window.h) and turns the user's input into the controls' user* calls.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/Window.h"
#include "app/controls/CheckBox.h"
#include "app/controls/DriveList.h"
#include "app/controls/EventRunner.h"
#include "app/controls/FileList.h"
#include "app/controls/FolderList.h"
#include "app/controls/TypeList.h"
#include "listing/BackgroundReader.h"
#include "listing/Drives.h"
#include "opening/RequestQueue.h"
#include "settings/SettingsFile.h"

namespace vorrindel::app {

class Form1 : private EventRunner {
public:
    struct Options {
        // Longest a request may take, the office's time included.
        std::chrono::milliseconds requestLimit = opening::RequestQueue::kDefaultLimit;
        // Where reports go besides the notice line (standard error in the program).
        std::function<void(const std::string&)> log;
        // The name the user knows a type's application by ("Calc"); the type's name when unset.
        std::function<std::string(std::string_view type)> applicationTitle;
        // Folders are read only once windowShown() is called (or a list is waited for), so that a
        // large saved folder is read after the window is on screen rather than competing with
        // putting it there.
        bool readAfterShown = false;
    };

    // Creating the form restores the saved choices (Form_Load); showing the window is the front
    // end's. `makeOffice` runs on the automation thread.
    Form1(Window& window, Views views, settings::SettingsFile settings, listing::DriveTable drives,
          opening::RequestQueue::OfficeFactory makeOffice, Options options);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // The window is on screen: the folder readings held back until now start (readAfterShown).
    void windowShown() { reader_.release(); }

    // Opens the selected file as a workbook.
    void loadsheet();
    // Brings the window to the front, active.
    void Show();

    // The maker's notice that Label1 shows while there is nothing to report.
    static constexpr std::string_view kMakerNotice = "Palvane \u00b7 one click opens each document";
    // The last failure reported; empty while Label1 shows the maker's notice.
    const std::string& notice() const { return notice_; }

    // Waits until every request clicked so far has ended (tests, benchmarks); their outcome is
    // then posted to the window thread.
    void waitForRequests() { requests_->waitUntilIdle(); }

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
    void queue(opening::Snapshot request);
    void report(const std::string& text);
    void clearNotice();
    void requestBegun(const opening::Snapshot& request);
    void requestEnded(const opening::Snapshot& request, bool failed);
    // The application a request goes to, as the user knows it; empty when it goes nowhere.
    std::string titleFor(const opening::Snapshot& request) const;
    // The notice line shows a report, else the request under way, else the last one's outcome.
    void showStatus();

    Window& window_;
    TextView& label_;
    Options options_;
    settings::SettingsFile settings_;
    listing::DriveTable drives_;
    listing::BackgroundReader reader_;

public:
    TypeList Combo1;
    DriveList Drive1;
    FolderList Dir1;
    FileList File1;
    CheckBox Check1;

private:
    int depth_ = 0;          // handlers running; above 0 a failure goes back to the caller
    bool reported_ = false;  // something was reported during the current user action
    std::string notice_;
    int pending_ = 0;        // requests clicked that have not ended
    std::string progress_;   // the request under way, "Opening a.xls in Calc…"
    std::string outcome_;    // the last request's outcome, "a.xls opened in Calc"
    // Work posted to the window thread finds the form gone once this is.
    std::shared_ptr<Form1*> self_ = std::make_shared<Form1*>(this);
    // Last: it goes first, so the automation thread has ended before anything it reports to.
    std::unique_ptr<opening::RequestQueue> requests_;
};

}  // namespace vorrindel::app
