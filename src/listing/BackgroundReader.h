#pragma once
// Reads folders one at a time on a thread of its own, so that a large folder never holds up the
// window. A reading still waiting in the queue is dropped unread when its owner asks for a newer
// one in its place.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorrindel::listing {

class BackgroundReader {
public:
    struct Result {
        std::vector<std::string> names;
        std::string error;  // empty when the folder was read
    };

    // One reading asked for. Its result is kept until the last owner lets go of it.
    class Reading {
    public:
        bool done() const;
        // Waits until the reading has run (or was dropped: then the result is empty).
        const Result& wait();
        // Waits as wait() does and hands the result over, leaving it empty.
        Result take();

    private:
        friend class BackgroundReader;
        mutable std::mutex mutex_;
        std::condition_variable doneChanged_;
        bool done_ = false;
        Result result_;
        std::function<Result()> work_;
        std::function<void()> finished_;
    };

    // A reader made held keeps what it is asked to read queued (a newer reading still replaces a
    // queued one) until release(): the window holds it until it is on screen.
    explicit BackgroundReader(bool held = false) : held_(held) {}
    // Drops what is queued and waits for the reading under way, if any.
    ~BackgroundReader();
    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;

    // Queues `work`. `finished` runs on the reader's thread once the result is in. `replaces`, when
    // it is still queued, is dropped.
    std::shared_ptr<Reading> read(std::function<Result()> work, std::function<void()> finished,
                                  const std::shared_ptr<Reading>& replaces = nullptr);
    // Starts the readings held back, and any asked for later, at once.
    void release();

private:
    void run();
    static void complete(Reading& reading, Result result);

    std::mutex mutex_;
    std::condition_variable queueChanged_;
    std::deque<std::shared_ptr<Reading>> queue_;
    bool stopping_ = false;
    bool held_;
    std::thread thread_;  // started with the first reading
};

}  // namespace vorrindel::listing
