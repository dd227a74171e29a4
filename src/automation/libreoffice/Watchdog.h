#pragma once
// Cuts off calls into the office that outlast their limit. The calls themselves run on their
// caller's thread; one thread of the watchdog waits for the earliest limit and, when it passes
// with the call still under way, runs that call's cut (disposing the bridge, which makes the
// stuck call return). The thread starts with the first watched call and is joined by stop() or
// the destructor, so nothing of it outlives its owner. A cut runs in place and is destroyed by the
// watched call's own thread, so that what it holds is let go there.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "automation/Automation.h"

namespace vorrindel::automation::libreoffice {

class Watchdog {
public:
    // Read afresh at every wake-up: a request's limit moves when the request is cancelled.
    using Limit = std::function<Clock::time_point()>;
    using Cut = std::function<void()>;

    Watchdog() = default;
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // One watched call; the watch ends when this goes.
    class Watch {
    public:
        Watch() = default;
        Watch(Watch&& other) noexcept;
        Watch& operator=(Watch&& other) noexcept;
        ~Watch();
        // Whether the limit passed and the cut was made (or is being made).
        bool fired() const;
        void end();

    private:
        friend class Watchdog;
        Watch(Watchdog* dog, std::uint64_t id, std::shared_ptr<bool> fired) : dog_(dog), id_(id), fired_(std::move(fired)) {}
        Watchdog* dog_ = nullptr;
        std::uint64_t id_ = 0;
        std::shared_ptr<bool> fired_;
    };

    Watch watch(Limit limit, Cut cut);
    // A limit has moved: look at the limits again now.
    void wake();
    // Ends the thread; watches made afterwards are never cut.
    void stop();

private:
    struct Entry {
        Limit limit;
        Cut cut;
        std::shared_ptr<bool> fired;
        bool cutting = false;  // the cut runs: the entry stays until it is done
    };
    void run();
    void end(std::uint64_t id);
    bool fired(const std::shared_ptr<bool>& flag);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::uint64_t, Entry> entries_;
    std::uint64_t next_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace vorrindel::automation::libreoffice
