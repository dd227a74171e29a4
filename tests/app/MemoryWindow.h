#pragma once
// A front end held in memory: each view keeps what the logic last showed in it, and work posted
// to the window thread waits until the test runs it.

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/Window.h"

namespace vorrindel::app::testing {

struct MemoryList : ListView {
    std::vector<std::string> texts;
    std::vector<int> levels;
    int selected = -1;
    void setEntries(const std::vector<std::string>& t, const std::vector<int>& l) override {
        texts = t;
        levels = l;
        selected = -1;
    }
    void setSelected(int row) override { selected = row; }
    std::string selectedText() const { return selected < 0 ? std::string() : texts.at(static_cast<size_t>(selected)); }
};

struct MemoryCheck : CheckView {
    int value = -1;
    void setValue(int v) override { value = v; }
};

struct MemoryText : TextView {
    std::string text;
    void setText(const std::string& t) override { text = t; }
};

class MemoryWindow : public Window {
public:
    MemoryList combo, drive, dir, file;
    MemoryCheck check;
    MemoryText label;
    int broughtToFront = 0;

    Views views() { return {combo, drive, dir, file, check, label}; }

    void post(std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(work));
    }
    void bringToFront() override { ++broughtToFront; }
    void setBusy(bool b) override { busy = b; }
    bool busy = false;

    // Runs what was posted, in order, including what that posts in turn.
    void flush() {
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(mutex_);
                if (posted_.empty()) return;
                next = std::move(posted_.front());
                posted_.pop_front();
            }
            next();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};

}  // namespace vorrindel::app::testing
