#pragma once
// Work that must run on the office's own main thread. A GTK office that loads a document, closes
// one or changes a window on a bridge thread can hang for good (its clipboard and accessibility
// code run a nested main loop there). The office's event loop calls back into this process, and
// the calls made from inside that callback are run by the office on its main thread, as if the
// user had acted there.

#include <functional>
#include <memory>
#include <optional>

#include "automation/libreoffice/OfficeSession.h"

namespace vorrindel::automation::libreoffice {

// Runs `work` through the office's main thread and waits for it. Throws what `work` throws; when
// the connection ends first (the watchdog cut it, or the office went), fails as the office gone;
// a `work` that has begun by then is waited for (its calls fail at once on the dead bridge), one
// that has not never runs.
void runOnOfficeThread(const Connection& conn, std::function<void()> work);

template <class R>
R onOfficeThread(const Connection& conn, std::function<R()> fn) {
    auto result = std::make_shared<std::optional<R>>();
    runOnOfficeThread(conn, [result, fn = std::move(fn)] { *result = fn(); });
    return std::move(**result);
}

}  // namespace vorrindel::automation::libreoffice
