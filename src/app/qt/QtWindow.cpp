#include "app/qt/QtWindow.h"

#include <QFont>
#include <QTimer>
#include <QWindow>

#include "app/qt/Views.h"

namespace vorrindel::app::qt {

namespace {

// Layout in twips, converted at 15 twips to the pixel.
constexpr int px(int twips) { return twips / 15; }

// The office maps and raises its window from its own event loop, often just after the request
// brought the picker forward; the picker comes forward once more after that.
constexpr int kSecondRaiseMs = 400;

}  // namespace

QtWindow::QtWindow(settings::SettingsFile settings, listing::DriveTable drives,
                   opening::RequestQueue::OfficeFactory makeOffice, Form1::Options options, QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(QStringLiteral("Vorrindel "));
    setFixedSize(px(3960), px(4305));
    QFont small = font();
    small.setPointSize(8);  // the lists are small; a compact font shows more of each
    setFont(small);

    Combo1 = new ChoiceBox(this);
    Drive1 = new ChoiceBox(this);
    Dir1 = new FolderBox(this);
    File1 = new FileBox(this);
    Check1 = new CheckBox(QStringLiteral("Do not close previous file"), this);
    Label1 = new NoticeLine(this);

    const int left = px(120);
    Combo1->setGeometry(left, px(120), px(3735), px(315));
    Drive1->setGeometry(left, px(600), px(3735), px(315));
    Dir1->setGeometry(left, px(1080), px(3735), px(1215));
    File1->setGeometry(left, px(2520), px(3735), px(870));
    Check1->setGeometry(left, px(3600), px(3255), px(255));
    Label1->setGeometry(left, px(3960), px(3615), px(375));

    // The drive list holds the focus first; the type list, although at the top, comes last.
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Check1);
    setTabOrder(Check1, Combo1);
    Drive1->setFocus();

    // Reading a saved folder of 100,000 files while the window is put on screen slowed its showing
    // by a fifth on two cores; the lists fill just after instead.
    options.readAfterShown = true;
    form_ = std::make_unique<Form1>(*this, Views{*Combo1, *Drive1, *Dir1, *File1, *Check1, *Label1},
                                    std::move(settings), std::move(drives), std::move(makeOffice), std::move(options));
    Form1& f = *form_;
    Combo1->chosen = [&f](int index) { f.Combo1.userChose(index); };
    Drive1->chosen = [&f](int index) { f.Drive1.userChose(index); };
    Dir1->opened = [&f](int row) { f.Dir1.userOpen(row); };
    File1->clicked = [&f](int row) { f.File1.userClick(row); };
    File1->moved = [&f](Move move, int page) { f.File1.userMove(move, page); };
    Check1->toggled = [&f] { f.Check1.userToggle(); };
}

void QtWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!exposed_ && windowHandle()) windowHandle()->installEventFilter(this);
}

// The window system's first expose of the window: once its first frame is drawn (the queued
// call runs after that), the folders are read.
bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!exposed_ && watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        exposed_ = true;
        windowHandle()->removeEventFilter(this);
        QMetaObject::invokeMethod(this, [this] { form_->windowShown(); }, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

// The form goes first: its automation thread ends before the window it posts to.
QtWindow::~QtWindow() { form_.reset(); }

void QtWindow::post(std::function<void()> work) {
    // Queued to this window's thread; dropped with the window.
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void QtWindow::setBusy(bool busy) {
    if (busy)
        setCursor(Qt::BusyCursor);  // the arrow with a clock: working, and still usable
    else
        unsetCursor();
}

void QtWindow::bringToFront() {
    auto toFront = [this] {
        show();
        if (isMinimized()) showNormal();
        raise();
        activateWindow();
    };
    toFront();
    QTimer::singleShot(kSecondRaiseMs, this, toFront);
}

}  // namespace vorrindel::app::qt
