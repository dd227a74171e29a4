#pragma once
// The Win32 controls behind each of Form1's controls. Setting them from the logic raises nothing;
// the user's input on them goes to the control's user* call through the callbacks below.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Window.h"
#include "app/controls/FileList.h"

namespace vorrindel::app::win32 {

// One child window of the picker.
class Control {
public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    HWND hwnd() const { return hwnd_; }
    int id() const { return id_; }
    // Makes the control's window, a child of `parent`; a caption only for the controls showing one.
    virtual void create(HWND parent, int id, const std::wstring& caption) = 0;
    // A WM_COMMAND notification from this control.
    virtual void command(WORD) {}

protected:
    void make(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int id, const std::wstring& text = L"");
    // Sends this control's messages to input() first.
    void subclass();
    virtual LRESULT input(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT passOn(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    int id_ = 0;

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

// A drop-down list the user cannot type into (the type and the drive lists). The logic decides
// what stays selected: every choice the user makes goes to `chosen`, the wheel over the closed
// box to `wheeled` (in 120ths of a notch, positive away from the user).
class ChoiceBox : public Control, public ListView {
public:
    void create(HWND parent, int id, const std::wstring& caption) override;
    void setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) override;
    void setSelected(int row) override;
    void command(WORD code) override;
    // The closed box's height in pixels (its drop-down list comes on top of that).
    void setFieldHeight(int pixels);
    std::function<void(int)> chosen;
    std::function<void(int)> wheeled;

private:
    LRESULT input(UINT message, WPARAM wParam, LPARAM lParam) override;
    int count() const;
    int nextStartingWith(wchar_t letter) const;
    int shown_ = -1;  // what the logic last selected
};

// The folders from the root down, indented by depth, then the selected folder's sub-folders.
// A double click or Enter opens an entry.
class FolderBox : public Control, public ListView {
public:
    void create(HWND parent, int id, const std::wstring& caption) override;
    void setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) override;
    void setSelected(int row) override;
    void command(WORD code) override;
    void draw(const DRAWITEMSTRUCT& item, UINT dpi) const;
    // Row height for the font and the screen's dots per inch.
    void setRowHeight(HFONT font, UINT dpi);
    std::function<void(int)> opened;

private:
    LRESULT input(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::vector<int> levels_;
    int selected_ = -1;
};

// The files: a click on a row, and each move with the keyboard, go to the logic, which decides
// what is selected. Taking the focus selects nothing.
class FileBox : public Control, public ListView {
public:
    void create(HWND parent, int id, const std::wstring& caption) override;
    void setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) override;
    void setSelected(int row) override;
    std::function<void(int)> clicked;
    std::function<void(Move, int)> moved;

private:
    LRESULT input(UINT message, WPARAM wParam, LPARAM lParam) override;
    int rowsInView() const;
    bool pressed_ = false;
};

// Three states; a click asks the logic, which sets the next one.
class CheckBox : public Control, public CheckView {
public:
    void create(HWND parent, int id, const std::wstring& caption) override;
    void setValue(int value) override;
    void command(WORD code) override;
    std::function<void()> toggled;
};

// One line; a long report is cut with an ellipsis, and shown whole in a tool tip and as the
// control's text.
class NoticeLine : public Control, public TextView {
public:
    void create(HWND parent, int id, const std::wstring& caption) override;
    void setText(const std::string& text) override;
    // Re-decides whether the text is cut (after a change of size or font).
    void refit();

private:
    HWND tip_ = nullptr;
    std::wstring text_;
};

}  // namespace vorrindel::app::win32
