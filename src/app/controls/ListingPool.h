#pragma once
#include <QThreadPool>

namespace vorrindel::app {

// Folders are read one at a time, off the window's thread, so that the window keeps a core of its
// own while a large folder is read.
inline QThreadPool* listingPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;  // lives until the program ends
        p->setMaxThreadCount(1);
        return p;
    }();
    return pool;
}

}  // namespace vorrindel::app
