#pragma once
#include <functional>
#include <memory>

#include "app/Window.h"
#include "listing/BackgroundReader.h"

namespace vorrindel::app {

// The folder reading a list shows next. A newer reading replaces it; its result is shown once, on
// the window thread, when the reader is done or when someone waits for it, whichever comes first.
class LatestReading {
public:
    using Result = listing::BackgroundReader::Result;

    LatestReading(listing::BackgroundReader& reader, Window& window, std::function<void(Result)> show);

    void start(std::function<Result()> work);
    // Waits for the reading under way, if any, and shows its result now.
    void waitAndShow();

private:
    void deliver(const std::shared_ptr<listing::BackgroundReader::Reading>& which);

    listing::BackgroundReader& reader_;
    Window& window_;
    std::function<void(Result)> show_;
    std::shared_ptr<listing::BackgroundReader::Reading> current_;
    bool pending_ = false;
    // Work posted to the window thread finds the list gone once this is.
    std::shared_ptr<LatestReading*> self_ = std::make_shared<LatestReading*>(this);
};

}  // namespace vorrindel::app
