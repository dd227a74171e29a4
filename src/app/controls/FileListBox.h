#pragma once
#include <QFutureWatcher>
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

    // Each of these re-lists (setPath only when the folder changes); a folder that cannot be opened
    // fails at once and leaves the list as it was. The folder is read in the background, so a
    // large one does not hold up the window; the list fills when the reading is done.
    void setPath(const std::string& folder);
    void setPattern(const std::string& pattern);
    void refresh();

    // Waits for the reading under way, if any, and shows its result.
    void waitUntilListed();
    // Row count once listed.
    int fileCount();

    std::function<void()> onClick;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Listed {
        QStringList names;
        std::string error;
    };
    void relist(const std::string& folder, const std::string& pattern);
    void display(const Listed& listed);
    int selectedRow() const;
    void raiseClick();
    EventRunner& events_;
    QStringListModel model_;
    QFutureWatcher<Listed> reading_;
    bool pending_ = false;  // a reading whose result is not shown yet
    std::string path_;
    std::string pattern_;
};

}  // namespace vorrindel::app
