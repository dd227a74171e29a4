#include "app/controls/LatestReading.h"

namespace vorrindel::app {

LatestReading::LatestReading(listing::BackgroundReader& reader, Window& window, std::function<void(Result)> show)
    : reader_(reader), window_(window), show_(std::move(show)) {}

void LatestReading::start(std::function<Result()> work) {
    std::weak_ptr<LatestReading*> self = self_;
    auto reading = std::make_shared<std::weak_ptr<listing::BackgroundReader::Reading>>();
    Window& window = window_;
    current_ = reader_.read(
        std::move(work),
        [self, reading, &window] {
            window.post([self, reading] {
                const auto me = self.lock();
                const auto which = reading->lock();
                if (me && which) (*me)->deliver(which);
            });
        },
        current_);
    *reading = current_;
    pending_ = true;
}

void LatestReading::waitAndShow() {
    if (!pending_) return;
    reader_.release();  // a reading waited for is wanted now, held or not
    current_->wait();
    deliver(current_);
}

void LatestReading::deliver(const std::shared_ptr<listing::BackgroundReader::Reading>& which) {
    if (!pending_ || which != current_) return;  // shown already, or replaced by a newer reading
    pending_ = false;
    show_(current_->take());  // shown once: the names move on to the list
}

}  // namespace vorrindel::app
