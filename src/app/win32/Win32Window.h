#pragma once
// The picker on plain Win32: six child controls that show what Form1 decides and hand the user's
// input to it, laid out in twips and scaled to the monitor's dots per inch.

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "app/Form1.h"
#include "app/WindowDesign.h"
#include "app/win32/Views.h"

namespace vorrindel::app::win32 {

class Win32Window : public Window {
public:
    // Creates the window, hidden, and the form, which restores the saved choices.
    Win32Window(settings::SettingsFile settings, listing::DriveTable drives,
                opening::RequestQueue::OfficeFactory makeOffice, Form1::Options options = {});
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    Form1& form() { return *form_; }
    // Shows the window with the design's first control (the drive list) holding the focus.
    void show(int how = SW_SHOWNORMAL);
    // Runs one message of the window's thread through the window's keyboard handling (Tab moves
    // between the controls) and on to its window.
    void dispatch(MSG& message);
    // The message loop, until the window is closed; the exit code.
    int run();

    // Window
    void post(std::function<void()> work) override;
    void bringToFront() override;
    void setBusy(bool busy) override;

    // The controls, in tab order, for the program's own tests.
    ChoiceBox Drive1;
    FolderBox Dir1;
    FileBox File1;
    CheckBox Check1;
    ChoiceBox Combo1;
    NoticeLine Label1;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void layout(UINT dpi);
    void runPosted();
    void toFront();
    std::array<Control*, 6> controls();
    Control& controlFor(design::ControlName name);
    Control* control(int id);

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    UINT dpi_ = 96;
    HWND lastFocus_ = nullptr;
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    bool busy_ = false;         // requests are under way: the pointer says so
    bool wakePending_ = false;  // a message waking the window for posted_ is on its way
    HWND postTarget_ = nullptr;  // hwnd_ while work may be posted to it
    std::unique_ptr<Form1> form_;
};

}  // namespace vorrindel::app::win32
