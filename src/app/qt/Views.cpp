#include "app/qt/Views.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QPainter>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QWheelEvent>

#include "app/WindowDesign.h"

namespace vorrindel::app::qt {

namespace {

constexpr int kLevelRole = Qt::UserRole + 1;

// Names are the system's bytes; what is not UTF-8 shows as replacement characters, while the
// logic keeps the bytes.
QString shown(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Indents each entry by its depth, so the list reads as a path with its sub-folders below.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(kLevelRole).toInt() * design::folders::kIndentPx, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }
};

}  // namespace

ChoiceBox::ChoiceBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    // A choice made with the mouse or keyboard, even of the entry already shown.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (chosen) chosen(index);
    });
}

void ChoiceBox::setEntries(const std::vector<std::string>& texts, const std::vector<int>&) {
    const QSignalBlocker quiet(this);
    clear();
    for (const auto& t : texts) addItem(shown(t));
    setCurrentIndex(-1);
}

void ChoiceBox::setSelected(int row) {
    const QSignalBlocker quiet(this);
    setCurrentIndex(row);
}

// The dropped list has the wheel to itself; over the closed box the logic decides, and the box
// changes nothing by itself.
void ChoiceBox::wheelEvent(QWheelEvent* event) {
    if (wheeled) wheeled(event->angleDelta().y());
    event->accept();
}

namespace {

// An open or closed folder, drawn rather than taken from the icon theme: looking the theme's up
// searches its folders on disk, which cost more than everything else at start-up.
QIcon folderIcon(bool open) {
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(design::folders::kIconPx * scale, design::folders::kIconPx * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixmap.width() / 16.0, pixmap.height() / 16.0);  // drawn on a grid of 16 by 16
        painter.setPen(QPen(QColor(0x9a, 0x74, 0x1c), 1));
        painter.setBrush(QColor(0xe0, 0xb8, 0x4a));
        painter.drawPolygon(QPolygonF({{1.5, 3.5}, {6.5, 3.5}, {7.5, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}}));
        if (open) {
            painter.setBrush(QColor(0xf6, 0xda, 0x7e));
            painter.drawPolygon(QPolygonF({{3.5, 7.5}, {15.5, 7.5}, {13.5, 13.5}, {1.5, 13.5}}));
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

FolderBox::FolderBox(QWidget* parent) : QListWidget(parent), openIcon_(folderIcon(true)), closedIcon_(folderIcon(false)) {
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (opened && item) opened(row(item));
    });
}

void FolderBox::setEntries(const std::vector<std::string>& texts, const std::vector<int>& levels) {
    const QSignalBlocker quiet(this);
    clear();
    for (size_t i = 0; i < texts.size(); ++i) {
        auto* entry = new QListWidgetItem(shown(texts[i]), this);
        entry->setData(kLevelRole, i < levels.size() ? levels[i] : 0);
    }
    setIcons();
}

void FolderBox::setSelected(int row) {
    const QSignalBlocker quiet(this);
    selected_ = row;
    setCurrentRow(row);
    setIcons();
    if (QListWidgetItem* top = item(design::folders::topRow(row))) scrollToItem(top, QAbstractItemView::PositionAtTop);
}

void FolderBox::setIcons() {
    for (int i = 0; i < count(); ++i) item(i)->setIcon(design::folders::showsOpen(i, selected_) ? openIcon_ : closedIcon_);
}

void FolderBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && opened && currentRow() >= 0) {
        opened(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

FileBox::FileBox(QWidget* parent) : QListView(parent) {
    setModel(&model_);
    // The logic decides what is selected; the view only shows it.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);  // keeps very long lists fast to show
}

void FileBox::setEntries(const std::vector<std::string>& texts, const std::vector<int>&) {
    QStringList names;
    names.reserve(static_cast<qsizetype>(texts.size()));
    for (const auto& t : texts) names.append(shown(t));
    model_.setStringList(names);
}

void FileBox::setSelected(int row) {
    const QModelIndex index = model_.index(row);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

void FileBox::mousePressEvent(QMouseEvent* event) {
    // Taking the focus selects nothing: only the click that follows does.
    setFocus(Qt::MouseFocusReason);
    event->accept();
}

void FileBox::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

void FileBox::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void FileBox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || !clicked) return;
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid()) clicked(at.row());
}

void FileBox::keyPressEvent(QKeyEvent* event) {
    static const std::pair<int, Move> kMoves[] = {
        {Qt::Key_Up, Move::Up},         {Qt::Key_Down, Move::Down}, {Qt::Key_PageUp, Move::PageUp},
        {Qt::Key_PageDown, Move::PageDown}, {Qt::Key_Home, Move::Home}, {Qt::Key_End, Move::End},
    };
    for (const auto& [key, move] : kMoves) {
        if (event->key() == key && event->modifiers() == Qt::NoModifier) {
            if (moved) moved(move, rowsInView());
            event->accept();
            return;
        }
    }
    QListView::keyPressEvent(event);
}

int FileBox::rowsInView() const {
    const int row = sizeHintForRow(0);
    return row > 0 ? std::max(1, viewport()->height() / row) : 1;
}

CheckBox::CheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) { setTristate(true); }

void CheckBox::setValue(int value) {
    setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

// The logic decides the next state and sets it.
void CheckBox::nextCheckState() {
    if (toggled) toggled();
}

NoticeLine::NoticeLine(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void NoticeLine::setText(const std::string& text) {
    const QString full = shown(text);
    QLabel::setText(fontMetrics().elidedText(full, Qt::ElideRight, width()));
    setToolTip(full == QLabel::text() ? QString() : full);
}

}  // namespace vorrindel::app::qt
