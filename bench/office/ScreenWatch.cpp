#include "ScreenWatch.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

// Whether a window titled with `name` is mapped on the screen: the document is visible.
class ScreenWatch::Impl {
public:
    Impl() : display_(XOpenDisplay(nullptr)) {}
    ~Impl() {
        if (display_) XCloseDisplay(display_);
    }
    bool available() const { return display_ != nullptr; }
    bool shows(const std::string& name) { return search(DefaultRootWindow(display_), name, 0); }

private:
    std::string title(Window w) {
        Atom utf8 = XInternAtom(display_, "UTF8_STRING", False), netName = XInternAtom(display_, "_NET_WM_NAME", False);
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(display_, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
                Success && data) {
            text.assign(reinterpret_cast<char*>(data), count);
            XFree(data);
        }
        if (text.empty()) {
            char* name = nullptr;
            if (XFetchName(display_, w, &name) && name) {
                text = name;
                XFree(name);
            }
        }
        return text;
    }
    bool search(Window w, const std::string& name, int depth) {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display_, w, &root, &parent, &children, &n)) return false;
        bool found = false;
        for (unsigned int i = 0; i < n && !found; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(display_, children[i], &attributes) || attributes.map_state != IsViewable) continue;
            found = title(children[i]).find(name) != std::string::npos || (depth < 2 && search(children[i], name, depth + 1));
        }
        if (children) XFree(children);
        return found;
    }
    Display* display_;
};


ScreenWatch::ScreenWatch() : impl_(std::make_unique<Impl>()) {}
ScreenWatch::~ScreenWatch() = default;
bool ScreenWatch::available() const { return impl_->available(); }
bool ScreenWatch::shows(const std::string& name) { return impl_->shows(name); }
