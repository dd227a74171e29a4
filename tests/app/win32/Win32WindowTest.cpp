// The Win32 controls show what the logic decides and hand the user's input to it.

#include "app/win32/Win32Window.h"

#include <commctrl.h>

#include <thread>
#include <tuple>
#include <vector>

#include "PickerFixture.h"
#include "listing/Listing.h"
#include "common/WideText.h"

namespace vorrindel::app::win32 {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class Win32WindowTest : public testing::PickerFixture {
protected:
    void SetUp() override {
        PickerFixture::SetUp();
        for (const char* f : {"a.xls", "b.xls", "c.xls"}) make(std::string("a/start/") + f);
    }
    void TearDown() override {
        window.reset();
        PickerFixture::TearDown();
    }

    Win32Window& openWindow() {
        try {
            window = std::make_unique<Win32Window>(settings::SettingsFile(ini_), drives(), officeFactory(), options());
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(std::string(e.what()) + " (under Wine: is there a display?)");
        }
        window->show();
        listed();
        return *window;
    }
    // Runs everything waiting for the window's thread.
    void drain() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) window->dispatch(message);
    }
    void listed() {
        window->form().File1.waitUntilListed();
        window->form().Dir1.waitUntilListed();
        drain();
    }
    void requestsDone() {
        window->form().waitForRequests();
        drain();
    }
    void click(HWND list, int row) {
        RECT r{};
        ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r)), LB_ERR);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list, WM_LBUTTONUP, 0, at);
    }
    void key(HWND control, WPARAM virtualKey) {
        MSG message{};
        message.hwnd = control;
        message.message = WM_KEYDOWN;
        message.wParam = virtualKey;
        message.lParam = 1;
        window->dispatch(message);
        drain();
    }
    RECT placeOf(HWND control) const {
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(HWND_DESKTOP, window->hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static std::wstring textOf(HWND control) {
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    std::unique_ptr<Win32Window> window;
};

TEST_F(Win32WindowTest, CaptionClientSizeAndPlacesInTwipsAtTheMonitorsDpi) {
    Win32Window& w = openWindow();
    EXPECT_EQ(textOf(w.hwnd()), L"Vorrindel ");
    const int dpi = static_cast<int>(GetDpiForWindow(w.hwnd()));
    const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
    RECT client{};
    GetClientRect(w.hwnd(), &client);
    EXPECT_EQ(client.right, px(3960));
    EXPECT_EQ(client.bottom, px(4305));

    const struct {
        const char* name;
        HWND control;
        int top, width, height;
    } places[] = {
        {"Combo1", w.Combo1.hwnd(), 120, 3735, 315}, {"Drive1", w.Drive1.hwnd(), 600, 3735, 315},
        {"Dir1", w.Dir1.hwnd(), 1080, 3735, 1215},   {"File1", w.File1.hwnd(), 2520, 3735, 870},
        {"Check1", w.Check1.hwnd(), 3600, 3255, 255}, {"Label1", w.Label1.hwnd(), 3960, 3615, 375},
    };
    for (const auto& p : places) {
        SCOPED_TRACE(p.name);
        const RECT r = placeOf(p.control);
        EXPECT_EQ(r.left, px(120));
        EXPECT_EQ(r.top, px(p.top));
        EXPECT_EQ(r.right - r.left, px(p.width));
        EXPECT_NEAR(r.bottom - r.top, px(p.height), 1);  // a closed drop-down is as high as its font allows
    }
    EXPECT_EQ(textOf(w.Check1.hwnd()), L"Do not close previous file");
    EXPECT_EQ(GetWindowLongW(w.Combo1.hwnd(), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
}

TEST_F(Win32WindowTest, TheDriveListHasTheFocusFirstAndTabGoesOnInItsOrder) {
    Win32Window& w = openWindow();
    ASSERT_EQ(GetFocus(), w.Drive1.hwnd());
    for (HWND next : {w.Dir1.hwnd(), w.File1.hwnd(), w.Check1.hwnd(), w.Combo1.hwnd(), w.Drive1.hwnd()}) {
        key(GetFocus(), VK_TAB);
        EXPECT_EQ(GetFocus(), next);
    }
    requestsDone();
    EXPECT_THAT(opened(), ElementsAre());  // focus alone opens nothing, also on the file list
}

TEST_F(Win32WindowTest, ClicksAndKeysOnTheFileListReachTheOffice) {
    writeIni("[Type]\nType=Excel\n");
    Win32Window& w = openWindow();
    ASSERT_EQ(SendMessageW(w.File1.hwnd(), LB_GETCOUNT, 0, 0), 3);
    click(w.File1.hwnd(), 1);
    click(w.File1.hwnd(), 1);  // the file selected already: a request again
    requestsDone();
    EXPECT_EQ(SendMessageW(w.File1.hwnd(), LB_GETCURSEL, 0, 0), 1);
    key(w.File1.hwnd(), VK_DOWN);
    key(w.File1.hwnd(), VK_DOWN);  // at the end: no move, no request
    SendMessageW(w.File1.hwnd(), WM_CHAR, L'a', 1);  // no selecting by letter behind the logic's back
    requestsDone();
    EXPECT_EQ(SendMessageW(w.File1.hwnd(), LB_GETCURSEL, 0, 0), 2);
    EXPECT_THAT(opened(), ElementsAre(path("a/start/b.xls"), path("a/start/b.xls"), path("a/start/c.xls")));
    EXPECT_EQ(GetForegroundWindow(), w.hwnd());
}

TEST_F(Win32WindowTest, BoxTypeListAndFolderListChangesAreSaved) {
    Win32Window& w = openWindow();
    SendMessageW(w.Check1.hwnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageW(w.Check1.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(saved("Tick"), "1");
    key(w.Combo1.hwnd(), VK_DOWN);  // nothing chosen yet: the first entry
    key(w.Combo1.hwnd(), VK_DOWN);
    EXPECT_EQ(saved("Type"), "Excel");
    EXPECT_EQ(SendMessageW(w.Combo1.hwnd(), CB_GETCURSEL, 0, 0), 1);

    // The folder list shows the way down from the root; Enter opens the entry under the cursor.
    const int parent = static_cast<int>(listing::folderChain(path("a/start")).size()) - 2;
    SendMessageW(w.Dir1.hwnd(), LB_SETCURSEL, static_cast<WPARAM>(parent), 0);
    key(w.Dir1.hwnd(), VK_RETURN);
    listed();
    EXPECT_EQ(saved("Dir"), path("a"));
    EXPECT_EQ(SendMessageW(w.Dir1.hwnd(), LB_GETCURSEL, 0, 0), parent);
}

// Turning the wheel over the closed type or drive list, even the one holding the focus, changes
// neither.
TEST_F(Win32WindowTest, TheWheelOverAClosedListChangesNothing) {
    writeIni("[Type]\nType=Excel\n");
    Win32Window& w = openWindow();
    const std::string ini = readIni();
    const std::string drive = w.form().Drive1.drive();
    const LRESULT driveRow = SendMessageW(w.Drive1.hwnd(), CB_GETCURSEL, 0, 0);
    for (HWND box : {w.Combo1.hwnd(), w.Drive1.hwnd()}) {
        SetFocus(box);
        RECT r{};
        GetWindowRect(box, &r);
        for (int delta : {-WHEEL_DELTA, WHEEL_DELTA, -WHEEL_DELTA})
            SendMessageW(box, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(r.left + 4, r.top + 4));
    }
    drain();
    EXPECT_EQ(w.form().Combo1.text(), "Excel");
    EXPECT_EQ(SendMessageW(w.Combo1.hwnd(), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(w.form().Drive1.drive(), drive);
    EXPECT_EQ(SendMessageW(w.Drive1.hwnd(), CB_GETCURSEL, 0, 0), driveRow);
    EXPECT_EQ(readIni(), ini);
}

TEST_F(Win32WindowTest, ALongReportIsWholeInTheNoticeLinesText) {
    writeIni("[Type]\nType=Excel\n");
    office_.failCreation("excel.application");
    make("a/start/" + std::string(150, 'n') + ".xls");
    Win32Window& w = openWindow();
    click(w.File1.hwnd(), 3);
    requestsDone();
    ASSERT_THAT(w.form().notice(), HasSubstr("Excel"));
    EXPECT_EQ(textOf(w.Label1.hwnd()), windows::widen(w.form().notice()));
}

TEST_F(Win32WindowTest, WorkPostedFromAnyThreadRunsOnTheWindowsThreadAndComesBackToTheFront) {
    Win32Window& w = openWindow();
    ShowWindow(w.hwnd(), SW_MINIMIZE);
    DWORD ranOn = 0;
    std::thread([&] { w.post([&] { ranOn = GetCurrentThreadId(); w.bringToFront(); }); }).join();
    drain();
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_FALSE(IsIconic(w.hwnd()));
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
}

// The program's resources, which this test program carries too.
TEST(ProgramResources, VersionBlockAndThreeIcons) {
    wchar_t program[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    std::vector<char> block(GetFileVersionInfoSizeW(program, nullptr));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(program, 0, static_cast<DWORD>(block.size()), block.data()));
    const std::pair<const wchar_t*, const wchar_t*> values[] = {
        {L"FileVersion", L"1.00"},           {L"ProductVersion", L"1.00"}, {L"InternalName", L"Vorrindel"},
        {L"OriginalFilename", L"Vorrindel.exe"}, {L"ProductName", L"Palvane"},
    };
    for (const auto& [name, expected] : values) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << name;
        EXPECT_EQ(std::wstring(value), expected);
    }

#pragma pack(push, 2)
    struct IconEntry {
        BYTE width, height, colours, reserved;
        WORD planes, bits;
        DWORD bytes;
        WORD id;
    };
#pragma pack(pop)
    const HRSRC group = FindResourceW(nullptr, L"IDI_ICON1", MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* header = static_cast<const WORD*>(LockResource(LoadResource(nullptr, group)));
    ASSERT_EQ(header[2], 3);
    const auto* icons = reinterpret_cast<const IconEntry*>(header + 3);
    std::vector<std::tuple<int, int, int>> shapes;  // size, colours, bits per pixel
    for (int i = 0; i < 3; ++i) shapes.emplace_back(icons[i].width, icons[i].colours, icons[i].bits);
    EXPECT_THAT(shapes,
                ::testing::UnorderedElementsAre(std::tuple{32, 2, 1}, std::tuple{32, 16, 4}, std::tuple{16, 16, 4}));
}

}  // namespace
}  // namespace vorrindel::app::win32
