#include "app/win32/Views.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cwctype>

#include "app/WindowDesign.h"
#include "common/WideText.h"

namespace vorrindel::app::win32 {

namespace {

using windows::widen;

constexpr UINT_PTR kSubclassId = 1;

int scaled(int pixelsAt96Dpi, UINT dpi) { return MulDiv(pixelsAt96Dpi, static_cast<int>(dpi), 96); }

// The keys that move in a list, and how.
bool moveFor(WPARAM key, Move& move) {
    switch (key) {
    case VK_UP: move = Move::Up; return true;
    case VK_DOWN: move = Move::Down; return true;
    case VK_PRIOR: move = Move::PageUp; return true;
    case VK_NEXT: move = Move::PageDown; return true;
    case VK_HOME: move = Move::Home; return true;
    case VK_END: move = Move::End; return true;
    default: return false;
    }
}

bool modifiersDown() {
    return (GetKeyState(VK_SHIFT) | GetKeyState(VK_CONTROL) | GetKeyState(VK_MENU)) < 0;
}

// The shell's small folder icon, open or closed; none when the shell has none to give.
HICON folderIcon(bool open) {
    SHFILEINFOW info{};
    const UINT flags = SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0);
    return SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags) ? info.hIcon : nullptr;
}

}  // namespace

// --- Control ------------------------------------------------------------------------------------

void Control::make(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int id, const std::wstring& text) {
    id_ = id;
    hwnd_ = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

void Control::subclass() {
    SetWindowSubclass(hwnd_, &Control::subclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK Control::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &Control::subclassProc, kSubclassId);
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    return reinterpret_cast<Control*>(self)->input(message, wParam, lParam);
}

LRESULT Control::input(UINT message, WPARAM wParam, LPARAM lParam) { return passOn(message, wParam, lParam); }

LRESULT Control::passOn(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd_, message, wParam, lParam);
}

// --- ChoiceBox ----------------------------------------------------------------------------------

void ChoiceBox::create(HWND parent, int id, const std::wstring&) {
    make(WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, parent, id);
    subclass();
}

void ChoiceBox::setEntries(const std::vector<std::string>& texts, const std::vector<int>&) {
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const auto& t : texts) SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(t).c_str()));
    setSelected(-1);
}

void ChoiceBox::setSelected(int row) {
    shown_ = row;
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

int ChoiceBox::count() const { return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }

// The entry after the shown one, going round, whose text starts with `letter` in any case; -1 when
// none does.
int ChoiceBox::nextStartingWith(wchar_t letter) const {
    const int n = count();
    for (int step = 1; step <= n; ++step) {
        const int at = (shown_ + step + n) % n;
        const auto length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
        if (length < 1) continue;
        std::wstring text(static_cast<size_t>(length), L'\0');
        SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
        if (std::towlower(static_cast<wint_t>(text[0])) == std::towlower(static_cast<wint_t>(letter))) return at;
    }
    return -1;
}

void ChoiceBox::setFieldHeight(int pixels) {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const int item = static_cast<int>(SendMessageW(hwnd_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const int wanted = item + pixels - (r.bottom - r.top);
    if (wanted > 0 && wanted != item) SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted);
}

void ChoiceBox::command(WORD code) {
    if (code == CBN_SELENDOK) {
        // An entry accepted in the dropped list, with the mouse or Enter: a choice, also of the
        // entry shown already.
        const int row = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
        if (row >= 0 && chosen) chosen(row);
    } else if (code == CBN_SELENDCANCEL || code == CBN_CLOSEUP) {
        // Whatever the list showed on its way, the box shows what the logic holds.
        SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(shown_), 0);
    }
}

// On the closed box the keys and the wheel would change the selection behind the logic's back;
// the keys become choices here instead, and the wheel goes to the logic. The dropped list works
// as usual, ending in CBN_SELENDOK.
LRESULT ChoiceBox::input(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_KEYDOWN && message != WM_CHAR && message != WM_MOUSEWHEEL) return passOn(message, wParam, lParam);
    const bool dropped = SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (dropped) return passOn(message, wParam, lParam);
    if (message == WM_MOUSEWHEEL) {
        if (wheeled) wheeled(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    }
    if (count() == 0) return passOn(message, wParam, lParam);
    const int last = count() - 1;
    int row = -1;
    Move move{};
    if (message == WM_KEYDOWN && moveFor(wParam, move) && !modifiersDown()) {
        switch (move) {
        case Move::Up: row = shown_ < 0 ? 0 : shown_ - 1; break;
        case Move::Down: row = shown_ + 1; break;
        case Move::PageUp:
        case Move::Home: row = 0; break;
        case Move::PageDown:
        case Move::End: row = last; break;
        }
    } else if (message == WM_CHAR && std::iswprint(static_cast<wint_t>(wParam))) {
        row = nextStartingWith(static_cast<wchar_t>(wParam));
        if (row < 0) return 0;
    } else {
        return passOn(message, wParam, lParam);  // other keys: F4 and Alt+Down drop the list
    }
    row = std::clamp(row, 0, last);
    if (row != shown_ && chosen) chosen(row);
    return 0;
}

// --- FolderBox ----------------------------------------------------------------------------------

void FolderBox::create(HWND parent, int id, const std::wstring&) {
    make(WC_LISTBOXW,
                    LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE, parent, id);
    subclass();
}

void FolderBox::setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    for (const auto& t : texts) SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(t).c_str()));
    levels_ = levels;
    levels_.resize(texts.size(), 0);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FolderBox::setSelected(int row) {
    selected_ = row;
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(hwnd_, LB_SETTOPINDEX, static_cast<WPARAM>(design::folders::topRow(row)), 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FolderBox::setRowHeight(HFONT font, UINT dpi) {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    const int height = std::max<int>(metrics.tmHeight, scaled(design::folders::kIconPx, dpi)) + scaled(2, dpi);
    SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, height);
}

void FolderBox::command(WORD code) {
    if (code != LBN_DBLCLK || !opened) return;
    const int row = static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
    if (row >= 0) opened(row);
}

LRESULT FolderBox::input(UINT message, WPARAM wParam, LPARAM lParam) {
    // Enter opens the entry instead of going to the window as a dialog key.
    if (message == WM_GETDLGCODE && lParam && reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
        return passOn(message, wParam, lParam) | DLGC_WANTMESSAGE;
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        const int row = static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0));
        if (row >= 0 && opened) opened(row);
        return 0;
    }
    if (message == WM_CHAR && wParam == L'\r') return 0;
    return passOn(message, wParam, lParam);
}

void FolderBox::draw(const DRAWITEMSTRUCT& item, UINT dpi) const {
    if (item.itemID == static_cast<UINT>(-1)) return;
    const int row = static_cast<int>(item.itemID);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));

    static const HICON open = folderIcon(true);
    static const HICON closed = folderIcon(false);
    const int level = row < static_cast<int>(levels_.size()) ? levels_[static_cast<size_t>(row)] : 0;
    int x = r.left + scaled(2, dpi) + level * scaled(design::folders::kIndentPx, dpi);
    const int icon = scaled(design::folders::kIconPx, dpi);
    if (HICON glyph = design::folders::showsOpen(row, selected_) ? open : closed) {
        DrawIconEx(dc, x, r.top + (r.bottom - r.top - icon) / 2, glyph, icon, icon, 0, nullptr, DI_NORMAL);
        x += icon + scaled(3, dpi);
    }

    const int length = static_cast<int>(SendMessageW(hwnd_, LB_GETTEXTLEN, item.itemID, 0));
    std::wstring text(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0) SendMessageW(hwnd_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    RECT textRect{x, r.top, r.right - scaled(2, dpi), r.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

// --- FileBox ------------------------------------------------------------------------------------

void FileBox::create(HWND parent, int id, const std::wstring&) {
    make(WC_LISTBOXW, LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, parent, id);
    subclass();
}

void FileBox::setEntries(const std::vector<std::string>& texts, const std::vector<int>&) {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
    SendMessageW(hwnd_, LB_INITSTORAGE, texts.size(), static_cast<LPARAM>(texts.size() * 32));
    for (const auto& t : texts) SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(t).c_str()));
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FileBox::setSelected(int row) { SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(row), 0); }

int FileBox::rowsInView() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    const int row = static_cast<int>(SendMessageW(hwnd_, LB_GETITEMHEIGHT, 0, 0));
    return row > 0 ? std::max(1, static_cast<int>(r.bottom - r.top) / row) : 1;
}

// The list box's own handling of the mouse and the keys would select rows itself; here each
// goes to the logic instead. The wheel and the scroll bar work as usual.
LRESULT FileBox::input(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // Taking the focus selects nothing: only the release that follows does.
        SetFocus(hwnd_);
        SetCapture(hwnd_);
        pressed_ = true;
        return 0;
    case WM_LBUTTONUP: {
        if (!pressed_) return 0;
        pressed_ = false;
        ReleaseCapture();
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client{};
        GetClientRect(hwnd_, &client);
        if (!PtInRect(&client, at)) return 0;
        const LRESULT hit = SendMessageW(hwnd_, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y));
        if (HIWORD(hit) != 0) return 0;  // below the last row
        // The office the request starts may come to the front over this window.
        AllowSetForegroundWindow(ASFW_ANY);
        if (clicked) clicked(static_cast<int>(LOWORD(hit)));
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return passOn(message, wParam, lParam);
    case WM_MOUSEMOVE:
        return 0;
    case WM_KEYDOWN: {
        Move move{};
        if (!moveFor(wParam, move) || modifiersDown()) return passOn(message, wParam, lParam);
        AllowSetForegroundWindow(ASFW_ANY);
        if (moved) moved(move, rowsInView());
        return 0;
    }
    case WM_CHAR:
        return 0;  // no selecting by the first letter behind the logic's back
    default:
        return passOn(message, wParam, lParam);
    }
}

// --- CheckBox -----------------------------------------------------------------------------------

void CheckBox::create(HWND parent, int id, const std::wstring& caption) {
    make(WC_BUTTONW, BS_3STATE | WS_TABSTOP, 0, parent, id, caption);
}

void CheckBox::setValue(int value) {
    const WPARAM state = value == 0 ? BST_UNCHECKED : value == 1 ? BST_CHECKED : BST_INDETERMINATE;
    SendMessageW(hwnd_, BM_SETCHECK, state, 0);
}

void CheckBox::command(WORD code) {
    if (code == BN_CLICKED && toggled) toggled();
}

// --- NoticeLine ---------------------------------------------------------------------------------

void NoticeLine::create(HWND parent, int id, const std::wstring&) {
    make(WC_STATICW, SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX | SS_NOTIFY, 0, parent, id);
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0,
                           parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void NoticeLine::setText(const std::string& text) {
    text_ = widen(text);
    SetWindowTextW(hwnd_, text_.c_str());
    refit();
}

void NoticeLine::refit() {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text_.c_str(), static_cast<int>(text_.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    RECT client{};
    GetClientRect(hwnd_, &client);
    // The tool tip says it all only when the line is cut.
    std::wstring tip = size.cx > client.right - client.left ? text_ : std::wstring();
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = GetParent(hwnd_);
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = tip.data();
    SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace vorrindel::app::win32
