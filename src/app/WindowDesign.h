#pragma once
// The picker window as designed, free of any window system: caption, size, the six controls'
// places in twips, their tab order, the font and the timing of coming back to the front. Both
// front ends lay themselves out from this table, so that they cannot drift apart.

#include <algorithm>
#include <array>
#include <chrono>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vorrindel::app::design {

// The controls, top to bottom.
enum class ControlName { Combo1, Drive1, Dir1, File1, Check1, Label1 };

// A place in twips (1/1440 inch) within the client area.
struct Rect {
    int left, top, width, height;
    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
};

struct ControlDesign {
    ControlName name;
    Rect place;
    int tabIndex;           // the order of the focus with Tab; also the order the controls are made in
    bool takesFocus;        // the notice line is passed over
    std::string_view caption;
};

inline constexpr std::string_view kCaption = "Vorrindel ";
inline constexpr int kClientWidth = 3960;  // twips
inline constexpr int kClientHeight = 4305;
// The lists are small; a compact font shows more of each.
inline constexpr int kFontPoints = 8;
// The office maps and raises its window on its own, often just after the request brought the
// picker forward; the picker comes forward once more after that.
inline constexpr std::chrono::milliseconds kSecondRaise{400};

// The drive list holds the focus first; the type list, although at the top, comes last.
inline constexpr std::array<ControlDesign, 6> kControls{{
    {ControlName::Combo1, {120, 120, 3735, 315}, 4, true, ""},
    {ControlName::Drive1, {120, 600, 3735, 315}, 0, true, ""},
    {ControlName::Dir1, {120, 1080, 3735, 1215}, 1, true, ""},
    {ControlName::File1, {120, 2520, 3735, 870}, 2, true, ""},
    {ControlName::Check1, {120, 3600, 3255, 255}, 3, true, "Do not close previous file"},
    {ControlName::Label1, {120, 3960, 3615, 375}, 5, false, ""},
}};

constexpr const ControlDesign& control(ControlName name) {
    for (const auto& c : kControls)
        if (c.name == name) return c;
    return kControls[0];  // not reached: every name has its row
}

// The one of a front end's controls that `name` names: a front end calls its six controls (or
// pointers to them) by the design's names, and `Common` is their common kind.
template <class Common, class FrontEnd>
Common& controlOf(FrontEnd& window, ControlName name) {
    const auto pick = [](auto& member) -> Common& {
        if constexpr (std::is_pointer_v<std::remove_reference_t<decltype(member)>>)
            return *member;
        else
            return member;
    };
    switch (name) {
    case ControlName::Combo1: return pick(window.Combo1);
    case ControlName::Drive1: return pick(window.Drive1);
    case ControlName::Dir1: return pick(window.Dir1);
    case ControlName::File1: return pick(window.File1);
    case ControlName::Check1: return pick(window.Check1);
    case ControlName::Label1: break;
    }
    return pick(window.Label1);
}

// Every control in the order of its tab index.
inline std::vector<ControlDesign> inTabOrder() {
    std::vector<ControlDesign> all(kControls.begin(), kControls.end());
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.tabIndex < b.tabIndex; });
    return all;
}

// The controls Tab visits, in order; the first holds the focus when the window is first shown.
inline std::vector<ControlName> focusOrder() {
    std::vector<ControlName> order;
    for (const auto& c : inTabOrder())
        if (c.takesFocus) order.push_back(c.name);
    return order;
}

inline ControlName firstFocus() { return focusOrder().front(); }

// Twips to pixels at `dpi` dots per inch, to the nearest pixel (15 twips a pixel at 96).
constexpr int toPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

// The folder list: the way down from the root to the selected folder, then its sub-folders one
// level deeper.
namespace folders {

inline constexpr int kIndentPx = 8;  // per level, at 96 dots per inch
inline constexpr int kIconPx = 16;

// The way down to the selected folder shows open folders, its sub-folders closed ones.
constexpr bool showsOpen(int row, int selectedRow) { return row <= selectedRow; }

// The row at the top of the list: the way up stays one row in sight above the selected folder,
// and as many sub-folders as fit are shown below it.
constexpr int topRow(int selectedRow) { return std::max(selectedRow - 1, 0); }

}  // namespace folders

}  // namespace vorrindel::app::design
