#pragma once
#include <QFutureWatcher>
#include <QListWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/controls/EventRunner.h"
#include "listing/Drives.h"

namespace vorrindel::app {

// The folder list: the folders from the root down to the selected one, then the selected
// folder's sub-folders. Opening an entry (double click, Enter) makes it the selected folder.
class DirListBox : public QListWidget {
public:
    DirListBox(listing::DriveTable& drives, EventRunner& events, QWidget* parent = nullptr);

    // The selected folder: "/"-separated, no trailing "/" except at "/".
    const std::string& path() const { return path_; }
    // A drive's text selects that drive's current folder; any other text is a folder path.
    // Raises Change when the folder differs from the selected one. A missing folder fails.
    void setPath(const std::string& text);

    // Sub-folders are read in the background; this waits for them and shows them.
    void waitUntilListed();

    std::function<void()> onChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();
    void addSubfolders(const std::vector<std::string>& names);
    void addEntry(const QIcon& icon, const std::string& label, const std::string& full, int level);
    void openItem(QListWidgetItem* item);
    listing::DriveTable& drives_;
    EventRunner& events_;
    std::string path_;
    QFutureWatcher<std::vector<std::string>> reading_;
    bool pending_ = false;
};

}  // namespace vorrindel::app
