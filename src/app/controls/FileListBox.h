#pragma once
#include <QListView>
#include <QStringListModel>
#include <functional>
#include <string>

#include "app/controls/EventRunner.h"

namespace vorrindel::app {

// The file list: the files of one folder that match a pattern. Choosing a file (a mouse click,
// or each move with the keyboard) raises Click; re-listing never does.
class FileListBox : public QListView {
public:
    FileListBox(EventRunner& events, QWidget* parent = nullptr);

    const std::string& path() const { return path_; }
    const std::string& pattern() const { return pattern_; }
    // The selected file's name without its folder; empty when nothing is selected.
    std::string fileName() const;

    // Each of these re-lists (setPath only when the folder changes); a folder that cannot be read
    // fails and leaves the list as it was.
    void setPath(const std::string& folder);
    void setPattern(const std::string& pattern);
    void refresh();

    // Row count, for callers that check what is listed.
    int fileCount() const { return model_.rowCount(); }

    std::function<void()> onClick;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void relist(const std::string& folder, const std::string& pattern);
    int selectedRow() const;
    void raiseClick();
    EventRunner& events_;
    QStringListModel model_;
    std::string path_;
    std::string pattern_;
};

}  // namespace vorrindel::app
