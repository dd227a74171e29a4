#include "automation/libreoffice/Watchdog.h"

#include <vector>

#include "automation/libreoffice/OfficeProcess.h"

namespace vorrindel::automation::libreoffice {

Watchdog::~Watchdog() { stop(); }

Watchdog::Watch Watchdog::watch(Limit limit, Cut cut) {
    auto fired = std::make_shared<bool>(false);
    std::lock_guard lock(mutex_);
    if (stopping_) return Watch(nullptr, 0, fired);
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    std::uint64_t id = ++next_;
    entries_.emplace(id, Entry{std::move(limit), std::move(cut), fired});
    changed_.notify_all();
    return Watch(this, id, fired);
}

void Watchdog::wake() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

void Watchdog::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
}

void Watchdog::end(std::uint64_t id) {
    std::unique_lock lock(mutex_);
    auto entry = entries_.find(id);
    if (entry == entries_.end()) return;
    changed_.wait(lock, [&] { return !entry->second.cutting; });
    entries_.erase(entry);
}

bool Watchdog::fired(const std::shared_ptr<bool>& flag) {
    std::lock_guard lock(mutex_);
    return *flag;
}

void Watchdog::run() {
    // Disposing a bridge writes to a pipe whose other end may be gone.
    blockBrokenPipeSignal();
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const auto now = Clock::now();
        auto earliest = Clock::time_point::max();
        std::vector<Entry*> due;
        for (auto& [id, entry] : entries_) {
            if (*entry.fired) continue;
            const auto limit = entry.limit();
            if (limit <= now) {
                *entry.fired = true;
                entry.cutting = true;
                due.push_back(&entry);
            } else if (limit < earliest) {
                earliest = limit;
            }
        }
        if (!due.empty()) {
            // Cutting may take a moment; the calls being watched must not wait for the lock.
            lock.unlock();
            for (Entry* entry : due) entry->cut();
            lock.lock();
            for (Entry* entry : due) entry->cutting = false;
            changed_.notify_all();
            continue;
        }
        if (earliest == Clock::time_point::max())
            changed_.wait(lock);
        else
            changed_.wait_until(lock, earliest);
    }
}

Watchdog::Watch::Watch(Watch&& other) noexcept
    : dog_(std::exchange(other.dog_, nullptr)), id_(other.id_), fired_(std::move(other.fired_)) {}

Watchdog::Watch& Watchdog::Watch::operator=(Watch&& other) noexcept {
    if (this != &other) {
        end();
        dog_ = std::exchange(other.dog_, nullptr);
        id_ = other.id_;
        fired_ = std::move(other.fired_);
    }
    return *this;
}

Watchdog::Watch::~Watch() { end(); }

void Watchdog::Watch::end() {
    if (dog_) dog_->end(id_);
    dog_ = nullptr;
}

bool Watchdog::Watch::fired() const {
    if (!fired_) return false;
    if (!dog_) return *fired_;  // ended: the flag no longer changes
    return dog_->fired(fired_);
}

}  // namespace vorrindel::automation::libreoffice
