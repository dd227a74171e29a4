#include "listing/BackgroundReader.h"

#include <algorithm>

namespace vorrindel::listing {

bool BackgroundReader::Reading::done() const {
    std::lock_guard lock(mutex_);
    return done_;
}

const BackgroundReader::Result& BackgroundReader::Reading::wait() {
    std::unique_lock lock(mutex_);
    doneChanged_.wait(lock, [this] { return done_; });
    return result_;
}

BackgroundReader::Result BackgroundReader::Reading::take() {
    std::unique_lock lock(mutex_);
    doneChanged_.wait(lock, [this] { return done_; });
    return std::move(result_);
}

BackgroundReader::~BackgroundReader() {
    std::deque<std::shared_ptr<Reading>> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(queue_);
    }
    queueChanged_.notify_all();
    for (const auto& reading : dropped) complete(*reading, {});
    if (thread_.joinable()) thread_.join();
}

std::shared_ptr<BackgroundReader::Reading> BackgroundReader::read(std::function<Result()> work,
                                                                  std::function<void()> finished,
                                                                  const std::shared_ptr<Reading>& replaces) {
    auto reading = std::make_shared<Reading>();
    reading->work_ = std::move(work);
    reading->finished_ = std::move(finished);
    bool dropped = false;
    {
        std::lock_guard lock(mutex_);
        if (replaces) {
            const auto it = std::find(queue_.begin(), queue_.end(), replaces);
            if (it != queue_.end()) {
                queue_.erase(it);
                dropped = true;
            }
        }
        queue_.push_back(reading);
        if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    queueChanged_.notify_one();
    if (dropped) complete(*replaces, {});
    return reading;
}

void BackgroundReader::release() {
    {
        std::lock_guard lock(mutex_);
        if (!held_) return;
        held_ = false;
    }
    queueChanged_.notify_one();
}

void BackgroundReader::run() {
    for (;;) {
        std::shared_ptr<Reading> next;
        {
            std::unique_lock lock(mutex_);
            queueChanged_.wait(lock, [this] { return stopping_ || (!held_ && !queue_.empty()); });
            if (stopping_) return;
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        Result result;
        try {
            result = next->work_();
        } catch (const std::exception& e) {
            result.error = e.what();
        }
        complete(*next, std::move(result));
        if (next->finished_) next->finished_();
    }
}

void BackgroundReader::complete(Reading& reading, Result result) {
    {
        std::lock_guard lock(reading.mutex_);
        reading.result_ = std::move(result);
        reading.done_ = true;
    }
    reading.doneChanged_.notify_all();
}

}  // namespace vorrindel::listing
