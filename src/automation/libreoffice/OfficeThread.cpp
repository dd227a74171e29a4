#include "automation/libreoffice/OfficeThread.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>

namespace vorrindel::automation::libreoffice {

namespace {

struct JobState {
    std::mutex mutex;
    std::condition_variable finished;
    bool started = false;
    bool done = false;
    bool abandoned = false;
    std::exception_ptr error;
};

// Called by the office's event loop; this process runs it on a bridge thread that carries the
// office main thread's identity, so the office runs every call made here on that thread.
class Job : public cppu::WeakImplHelper1<css::awt::XCallback> {
public:
    Job(std::function<void()> work, std::shared_ptr<JobState> state) : work_(std::move(work)), state_(std::move(state)) {}

    void SAL_CALL notify(const css::uno::Any&) override {
        {
            std::lock_guard lock(state_->mutex);
            if (state_->abandoned) return;
            state_->started = true;
        }
        std::exception_ptr error;
        try {
            work_();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard lock(state_->mutex);
            state_->error = error;
            state_->done = true;
        }
        state_->finished.notify_all();
    }

private:
    std::function<void()> work_;
    std::shared_ptr<JobState> state_;
};

}  // namespace

void runOnOfficeThread(const Connection& conn, std::function<void()> work) {
    auto state = std::make_shared<JobState>();
    rtl::Reference<Job> job = new Job(std::move(work), state);
    css::awt::AsyncCallback::create(conn.context)
        ->addCallback(css::uno::Reference<css::awt::XCallback>(job.get()), css::uno::Any());
    std::unique_lock lock(state->mutex);
    // The bridge going away (cut by the watchdog, or the office ended) ends the wait; a job that
    // has begun then fails quickly on the dead bridge and is waited for, one not begun never runs.
    while (!state->done) {
        if (conn.gone->load() && !state->started) {
            state->abandoned = true;
            throw AutomationError(errors::kServerGone, "the office has ended (it was closed, killed or crashed)");
        }
        state->finished.wait_for(lock, std::chrono::milliseconds(20));
    }
    if (state->error) std::rethrow_exception(state->error);
}

}  // namespace vorrindel::automation::libreoffice
