#include "opening/RequestQueue.h"

#include <exception>

#include "opening/DocumentType.h"
#include "opening/OpenRequest.h"
#include "opening/Picker.h"

namespace vorrindel::opening {

namespace {

// The openers read the picker as it was at the click, and show it through the outlet.
class SnapshotPicker final : public Picker {
public:
    explicit SnapshotPicker(const std::function<void()>& show) : show_(show) {}
    Snapshot current;

    std::string typeText() const override { return current.type; }
    int checkValue() const override { return current.check; }
    std::string dirPath() const override { return current.dir; }
    std::string fileName() const override { return current.file; }
    void show() override {
        if (show_) show_();
    }

private:
    const std::function<void()>& show_;
};

}  // namespace

const DocumentType* documentTypeOf(const Snapshot& request) {
    return request.workbook ? &kWorkbookType : findDocumentType(request.type);
}

RequestQueue::RequestQueue(OfficeFactory factory, Outlet outlet, std::chrono::milliseconds limit)
    : factory_(std::move(factory)), outlet_(std::move(outlet)), limit_(limit) {
    thread_ = std::thread([this] { run(); });
}

RequestQueue::~RequestQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
        if (office_) office_->cancelRequest();
    }
    changed_.notify_all();
    thread_.join();
}

void RequestQueue::post(Snapshot request) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(request), {}});
    }
    changed_.notify_all();
}

void RequestQueue::prepare(std::string application) {
    {
        std::lock_guard lock(mutex_);
        if (!queue_.empty()) return;
        queue_.push_back({{}, std::move(application)});
    }
    changed_.notify_all();
}

void RequestQueue::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || (queue_.empty() && !running_); });
}

void RequestQueue::run() {
    std::unique_ptr<automation::OfficeAutomation> office;
    std::string unavailable;
    try {
        office = factory_();
    } catch (const std::exception& e) {
        unavailable = e.what();
    }
    if (!office) {
        office = std::make_unique<automation::NoOffice>(unavailable.empty() ? "no office is available" : unavailable);
    }
    {
        SnapshotPicker picker(outlet_.show);
        OpenRequest request(*office, picker);
        std::unique_lock lock(mutex_);
        office_ = office.get();
        for (;;) {
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) break;
            Job job = std::move(queue_.front());
            queue_.pop_front();
            running_ = true;
            // Begun under the lock: a cancel from the window thread either finds the deadline set
            // or the queue stopping, never a request about to start unbounded.
            office->beginRequest(automation::Clock::now() + limit_);
            lock.unlock();

            if (!job.application.empty()) {
                try {
                    office->prepare(job.application);
                } catch (const std::exception&) {
                    // The first request meets the same cause and reports it.
                }
                office->endRequest();
            } else {
                picker.current = std::move(job.request);
                if (outlet_.begun) outlet_.begun(picker.current);
                std::optional<std::string> failure;
                try {
                    failure = picker.current.workbook ? request.openWorkbook() : request.File1_Click();
                } catch (const std::exception& e) {
                    failure = e.what();  // the openers report their own failures; this is anything else
                }
                office->endRequest();
                if (failure && outlet_.report) outlet_.report(*failure);
                if (outlet_.ended) outlet_.ended(picker.current, failure.has_value());
            }

            lock.lock();
            running_ = false;
            changed_.notify_all();
        }
        office_ = nullptr;
    }
    // The office goes on this thread, where it was made and used.
}

}  // namespace vorrindel::opening
