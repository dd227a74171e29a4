#include "app/win32/Win32Window.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "app/WindowDesign.h"
#include "common/WideText.h"

namespace vorrindel::app::win32 {

namespace {

constexpr wchar_t kClassName[] = L"VorrindelPicker";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;
constexpr UINT kRunPosted = WM_APP + 1;
constexpr UINT_PTR kSecondRaise = 1;
constexpr int kDroppedRows = 8;

// Each control's id is its place in the design's table, from 101 on.
int idOf(design::ControlName name) { return 101 + static_cast<int>(name); }

void registerClass() {
    static const ATOM atom = [] {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.lpfnWndProc = DefWindowProcW;  // until the window knows its object (WM_NCCREATE)
        c.hInstance = instance;
        c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        c.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        c.lpszClassName = kClassName;
        c.hIcon = static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
        c.hIconSm = static_cast<HICON>(LoadImageW(instance, L"IDI_ICON1", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
        return RegisterClassExW(&c);
    }();
    (void)atom;
}

}  // namespace

Win32Window::Win32Window(settings::SettingsFile settings, listing::DriveTable drives,
                         opening::RequestQueue::OfficeFactory makeOffice, Form1::Options options) {
    registerClass();
    hwnd_ = CreateWindowExW(kExStyle, kClassName, windows::widen(design::kCaption).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_) throw std::runtime_error("cannot create the window (error " + std::to_string(GetLastError()) + ")");
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::windowProc));
    postTarget_ = hwnd_;

    // Made in tab order, which is the order Tab goes through them in.
    for (const auto& c : design::inTabOrder()) controlFor(c.name).create(hwnd_, idOf(c.name), windows::widen(c.caption));
    layout(GetDpiForWindow(hwnd_));

    form_ = std::make_unique<Form1>(*this, Views{Combo1, Drive1, Dir1, File1, Check1, Label1}, std::move(settings),
                                    std::move(drives), std::move(makeOffice), std::move(options));
    Form1& f = *form_;
    Combo1.chosen = [&f](int index) { f.Combo1.userChose(index); };
    Combo1.wheeled = [&f](int delta) { f.Combo1.userWheel(delta); };
    Drive1.chosen = [&f](int index) { f.Drive1.userChose(index); };
    Drive1.wheeled = [&f](int delta) { f.Drive1.userWheel(delta); };
    Dir1.opened = [&f](int row) { f.Dir1.userOpen(row); };
    File1.clicked = [&f](int row) { f.File1.userClick(row); };
    File1.moved = [&f](Move move, int page) { f.File1.userMove(move, page); };
    Check1.toggled = [&f] { f.Check1.userToggle(); };
}

// The form goes first: its automation and reading threads end before the window they post to.
Win32Window::~Win32Window() {
    form_.reset();
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
}

void Win32Window::show(int how) {
    ShowWindow(hwnd_, how);
    UpdateWindow(hwnd_);
    SetFocus(controlFor(design::firstFocus()).hwnd());
}

void Win32Window::dispatch(MSG& message) {
    if (hwnd_ && IsDialogMessageW(hwnd_, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int Win32Window::run() {
    MSG message{};
    while (hwnd_ && GetMessageW(&message, nullptr, 0, 0) > 0) dispatch(message);
    return 0;
}

void Win32Window::post(std::function<void()> work) {
    std::lock_guard lock(postedMutex_);
    if (!postTarget_) return;  // the window is gone
    posted_.push_back(std::move(work));
    // One message wakes the window for everything queued until it runs; a full message queue is
    // tried again with the next piece of work.
    if (!wakePending_) wakePending_ = PostMessageW(postTarget_, kRunPosted, 0, 0) != 0;
}

void Win32Window::runPosted() {
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(postedMutex_);
        work.swap(posted_);
        wakePending_ = false;
    }
    for (auto& w : work) w();
}

void Win32Window::bringToFront() {
    toFront();
    SetTimer(hwnd_, kSecondRaise, static_cast<UINT>(design::kSecondRaise.count()), nullptr);
}

// The pointer that says "working, but go on": the window stays usable meanwhile.
void Win32Window::setBusy(bool busy) {
    if (busy_ == busy) return;
    busy_ = busy;
    POINT at{};
    if (hwnd_ && GetCursorPos(&at)) {
        const HWND under = WindowFromPoint(at);
        if (under == hwnd_ || IsChild(hwnd_, under)) SetCursor(LoadCursorW(nullptr, busy ? IDC_APPSTARTING : IDC_ARROW));
    }
}

// The system lets this process take the foreground while the user's last input went to it, which
// is the case after a click in the picker brought the office up.
void Win32Window::toFront() {
    if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
    if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd_);
}

Control& Win32Window::controlFor(design::ControlName name) { return design::controlOf<Control>(*this, name); }

std::array<Control*, 6> Win32Window::controls() {
    std::array<Control*, 6> all{};
    for (size_t i = 0; i < all.size(); ++i) all[i] = &controlFor(design::kControls[i].name);
    return all;
}

Control* Win32Window::control(int id) {
    for (Control* c : controls())
        if (c->id() == id) return c;
    return nullptr;
}

void Win32Window::layout(UINT dpi) {
    dpi_ = dpi;
    const auto px = [dpi](int twips) { return design::toPixels(twips, static_cast<int>(dpi)); };

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    LOGFONTW face = metrics.lfMessageFont;
    face.lfHeight = -MulDiv(design::kFontPoints, static_cast<int>(dpi), 72);
    const HFONT font = CreateFontIndirectW(&face);
    for (Control* c : controls()) SendMessageW(c->hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (font_) DeleteObject(font_);
    font_ = font;
    Dir1.setRowHeight(font_, dpi);

    for (const auto& c : design::kControls) {
        Control& control = controlFor(c.name);
        const bool dropDown = &control == &Combo1 || &control == &Drive1;
        int height = px(c.place.height);
        // A drop-down's window also holds its dropped list.
        if (dropDown) height += kDroppedRows * static_cast<int>(SendMessageW(control.hwnd(), CB_GETITEMHEIGHT, 0, 0)) + 2;
        SetWindowPos(control.hwnd(), nullptr, px(c.place.left), px(c.place.top), px(c.place.width), height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (dropDown) static_cast<ChoiceBox&>(control).setFieldHeight(px(c.place.height));
    }
    Label1.refit();

    RECT frame{0, 0, px(design::kClientWidth), px(design::kClientHeight)};
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CALLBACK Win32Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (Control* c = control(LOWORD(wParam))) c->command(HIWORD(wParam));
        return 0;  // Enter and Escape come as IDOK and IDCANCEL: the picker has no buttons for them
    case WM_MEASUREITEM:
        // The folder list's row height, until the font is known (setRowHeight).
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 16;
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == static_cast<WPARAM>(Dir1.id())) Dir1.draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), dpi_);
        return TRUE;
    case WM_SETCURSOR:
        // Children ask their parent first: over any of them the pointer shows the work under way.
        if (busy_ && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
            return TRUE;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_ACTIVATE:
        // Coming back, the control that had the focus has it again; the first time the drive list.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        } else {
            SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : controlFor(design::firstFocus()).hwnd());
        }
        return 0;
    case WM_DPICHANGED: {
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        layout(HIWORD(wParam));
        return 0;
    }
    case WM_TIMER:
        if (wParam == kSecondRaise) {
            KillTimer(hwnd_, kSecondRaise);
            toFront();
        }
        return 0;
    case kRunPosted:
        runPosted();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        const HWND gone = hwnd_;
        {
            std::lock_guard lock(postedMutex_);
            postTarget_ = nullptr;
            posted_.clear();
        }
        hwnd_ = nullptr;
        return DefWindowProcW(gone, message, wParam, lParam);
    }
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vorrindel::app::win32
