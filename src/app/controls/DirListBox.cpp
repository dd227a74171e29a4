#include "app/controls/DirListBox.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QtConcurrent/QtConcurrentRun>
#include <filesystem>
#include <system_error>

#include "app/controls/ListingPool.h"
#include "listing/Listing.h"

namespace vorrindel::app {

namespace {

constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole + 2;
constexpr int kIndentPx = 8;

// Indents each entry by its depth, so the list reads as a path with its sub-folders below.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(kLevelRole).toInt() * kIndentPx, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

bool isFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

}  // namespace

DirListBox::DirListBox(listing::DriveTable& drives, EventRunner& events, QWidget* parent)
    : QListWidget(parent), drives_(drives), events_(events), path_(listing::normalizePath(QDir::currentPath().toStdString())) {
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    connect(&reading_, &QFutureWatcher<std::vector<std::string>>::finished, this, [this] { waitUntilListed(); });
    rebuild();
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { openItem(item); });
}

void DirListBox::setPath(const std::string& text) {
    std::string target;
    if (drives_.isDriveText(text) && !isFolder(text))
        target = drives_.currentFolder(*drives_.byText(text));
    else if (!text.empty() && text.front() == '/')
        target = listing::normalizePath(text);
    else
        target = listing::joinPath(path_, text);  // relative to the selected folder
    if (!isFolder(target)) throw ControlError("folder \"" + target + "\" does not exist");

    const bool changed = target != path_;
    path_ = target;
    drives_.setCurrentFolder(path_);
    rebuild();
    if (changed && onChange) events_.runEvent("Dir1_Change", onChange);
}

void DirListBox::rebuild() {
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    // The chain of folders from "/" to the selected one.
    addEntry(open, "/", "/", 0);
    int level = 0;
    std::string sofar;
    size_t start = 1;
    while (start < path_.size()) {
        size_t end = path_.find('/', start);
        if (end == std::string::npos) end = path_.size();
        sofar += "/" + path_.substr(start, end - start);
        addEntry(open, path_.substr(start, end - start), sofar, ++level);
        start = end + 1;
    }
    setCurrentRow(count() - 1);

    reading_.future().cancel();  // a reading not started yet is no longer wanted
    pending_ = true;
    reading_.setFuture(QtConcurrent::run(listingPool(), [folder = path_] {
        try {
            return listing::listFolders(folder);
        } catch (const listing::ListingError&) {
            // An unreadable folder still shows where it is; it simply offers nothing below it.
            return std::vector<std::string>();
        }
    }));
}

void DirListBox::waitUntilListed() {
    if (!pending_) return;
    pending_ = false;
    addSubfolders(reading_.future().result());
}

void DirListBox::addSubfolders(const std::vector<std::string>& names) {
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const int selectedRow = count() - 1;
    const int level = item(selectedRow)->data(kLevelRole).toInt();
    for (const auto& name : names) addEntry(closed, name, listing::joinPath(path_, name), level + 1);
    // Keep the way up one row away and show as many sub-folders as fit below the selected one.
    scrollToItem(item(selectedRow > 0 ? selectedRow - 1 : 0), QAbstractItemView::PositionAtTop);
}

void DirListBox::addEntry(const QIcon& icon, const std::string& label, const std::string& full, int level) {
    auto* entry = new QListWidgetItem(icon, QString::fromStdString(label), this);
    entry->setData(kLevelRole, level);
    entry->setData(kPathRole, QString::fromStdString(full));
    entry->setToolTip(QString::fromStdString(full));
}

void DirListBox::openItem(QListWidgetItem* item) {
    if (!item) return;
    const std::string target = item->data(kPathRole).toString().toStdString();
    events_.runEvent("Dir1", [this, target] { setPath(target); });
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        openItem(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace vorrindel::app
