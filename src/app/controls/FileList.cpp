#include "app/controls/FileList.h"

#include <algorithm>

#include "app/DocumentType.h"
#include "listing/Listing.h"

namespace vorrindel::app {

FileList::FileList(listing::BackgroundReader& reader, Window& window, ListView& view, EventRunner& events)
    : view_(view), events_(events), path_(listing::normalizePath(listing::workingDirectory())),
      pattern_(std::string(kPatternBeforeAnyType)), reading_(reader, window, [this](LatestReading::Result result) { show(std::move(result)); }) {
    try {
        relist(path_, pattern_);
    } catch (const ControlError&) {
        // Starting in a folder that cannot be read leaves the list empty.
    }
}

std::string FileList::fileName() const {
    return selected_ < 0 ? std::string() : names_[static_cast<size_t>(selected_)];
}

void FileList::setPath(const std::string& folder) {
    const std::string normal = listing::normalizePath(folder);
    if (normal != path_) relist(normal, pattern_);  // the same folder again is listed already
}

void FileList::setPattern(const std::string& pattern) { relist(path_, pattern); }

void FileList::refresh() { relist(path_, pattern_); }

void FileList::relist(const std::string& folder, const std::string& pattern) {
    try {
        // Tells the caller at once that the folder cannot be listed.
        listing::checkFolderReadable(folder);
    } catch (const listing::ListingError& e) {
        throw ControlError(e.what());
    }
    path_ = folder;
    pattern_ = pattern;
    names_.clear();
    selected_ = -1;
    view_.setEntries(names_, {});
    reading_.start([folder, pattern] {
        LatestReading::Result result;
        result.names = listing::listFiles(folder, listing::PatternSet(pattern));
        return result;
    });
}

void FileList::show(LatestReading::Result result) {
    names_ = std::move(result.names);
    selected_ = -1;
    view_.setEntries(names_, {});
    view_.setSelected(-1);
    if (!result.error.empty()) {
        const std::string error = result.error;
        events_.runEvent("File1", [error] { throw ControlError(error); });
    }
}

void FileList::userClick(int row) {
    if (row < 0 || row >= static_cast<int>(names_.size())) return;
    events_.runEvent("File1", [this, row] { choose(row); });
}

void FileList::userMove(Move move, int pageRows) {
    const int last = static_cast<int>(names_.size()) - 1;
    if (last < 0) return;
    const int page = std::max(1, pageRows - 1);
    int row = selected_;
    if (selected_ < 0) {
        // Nothing selected yet: the first move selects the first file (the last with End).
        row = move == Move::End ? last : 0;
    } else {
        switch (move) {
        case Move::Up: row = selected_ - 1; break;
        case Move::Down: row = selected_ + 1; break;
        case Move::PageUp: row = selected_ - page; break;
        case Move::PageDown: row = selected_ + page; break;
        case Move::Home: row = 0; break;
        case Move::End: row = last; break;
        }
        row = std::clamp(row, 0, last);
        if (row == selected_) return;  // at the end already: no move, no request
    }
    events_.runEvent("File1", [this, row] { choose(row); });
}

void FileList::choose(int row) {
    selected_ = row;
    view_.setSelected(row);
    if (onClick) events_.runEvent("File1_Click", onClick);
}

}  // namespace vorrindel::app
