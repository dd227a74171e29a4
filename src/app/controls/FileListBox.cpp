#include "app/controls/FileListBox.h"

#include <QDir>
#include <QtConcurrent/QtConcurrentRun>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/controls/ListingPool.h"
#include "listing/Listing.h"

namespace vorrindel::app {

FileListBox::FileListBox(EventRunner& events, QWidget* parent)
    : QListView(parent), events_(events), path_(listing::normalizePath(QDir::currentPath().toStdString())),
      pattern_("*.xls;*.rtf") {
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);  // keeps very long lists fast to show
    connect(&reading_, &QFutureWatcher<Listed>::finished, this, [this] { waitUntilListed(); });
    try {
        relist(path_, pattern_);
    } catch (const ControlError&) {
        // Starting in an unreadable folder leaves an empty list.
    }
}

std::string FileListBox::fileName() const {
    const int row = selectedRow();
    return row < 0 ? std::string() : model_.index(row).data().toString().toStdString();
}

void FileListBox::setPath(const std::string& folder) {
    const std::string normal = listing::normalizePath(folder);
    if (normal != path_) relist(normal, pattern_);  // the same folder again is already listed
}
void FileListBox::setPattern(const std::string& pattern) { relist(path_, pattern); }
void FileListBox::refresh() { relist(path_, pattern_); }

void FileListBox::relist(const std::string& folder, const std::string& pattern) {
    // Opening the folder here lets the caller know at once that it cannot be listed.
    DIR* dir = opendir(folder.c_str());
    if (!dir) throw ControlError("cannot read the folder \"" + folder + "\": " + std::strerror(errno));
    closedir(dir);

    path_ = folder;
    pattern_ = pattern;
    model_.setStringList({});  // a fresh list has nothing selected
    reading_.future().cancel();  // a reading not started yet is no longer wanted
    pending_ = true;
    reading_.setFuture(QtConcurrent::run(listingPool(), [folder, pattern] {
        Listed listed;
        try {
            const auto names = listing::listFiles(folder, listing::PatternSet(pattern));
            listed.names.reserve(static_cast<qsizetype>(names.size()));
            for (const auto& n : names) listed.names.append(QString::fromStdString(n));
        } catch (const std::exception& e) {
            listed.error = e.what();
        }
        return listed;
    }));
}

void FileListBox::waitUntilListed() {
    if (!pending_) return;  // shown once, whichever of the two callers comes first
    pending_ = false;
    display(reading_.future().result());
}

void FileListBox::display(const Listed& listed) {
    model_.setStringList(listed.names);
    if (!listed.error.empty()) {
        const std::string error = listed.error;
        events_.runEvent("File1", [error] { throw ControlError(error); });
    }
}

int FileListBox::fileCount() {
    waitUntilListed();
    return model_.rowCount();
}

int FileListBox::selectedRow() const {
    const auto rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void FileListBox::keyPressEvent(QKeyEvent* event) {
    const int before = selectedRow();
    const int rows = model_.rowCount();
    const bool move = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up || event->key() == Qt::Key_Home ||
                      event->key() == Qt::Key_End || event->key() == Qt::Key_PageDown || event->key() == Qt::Key_PageUp;
    if (move && before < 0 && rows > 0) {
        // The view puts its current row on the first file when it takes the focus, without
        // selecting it; the first move must select that file, not skip past it.
        const int row = event->key() == Qt::Key_End ? rows - 1 : 0;
        setCurrentIndex(model_.index(row));
        raiseClick();
        return;
    }
    QListView::keyPressEvent(event);
    if (move && selectedRow() != before && selectedRow() >= 0) raiseClick();
}

void FileListBox::mouseReleaseEvent(QMouseEvent* event) {
    QListView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex at = indexAt(event->position().toPoint());
    // One click is one request, also on the file that is already selected.
    if (at.isValid() && at.row() == selectedRow()) raiseClick();
}

void FileListBox::raiseClick() {
    if (onClick) events_.runEvent("File1_Click", onClick);
}

}  // namespace vorrindel::app
