#include "app/qt/QtWindow.h"

#include <QFont>
#include <QTimer>
#include <QWindow>

#include "app/WindowDesign.h"
#include "app/qt/Views.h"

namespace vorrindel::app::qt {

namespace {

// Qt lays out in pixels at 96 dots per inch and scales them to the screen itself.
constexpr int px(int twips) { return design::toPixels(twips, 96); }

QRect placeOf(design::ControlName name) {
    const design::Rect r = design::control(name).place;
    return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

QString shownText(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

QtWindow::QtWindow(settings::SettingsFile settings, listing::DriveTable drives,
                   opening::RequestQueue::OfficeFactory makeOffice, Form1::Options options, QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(shownText(design::kCaption));
    setFixedSize(px(design::kClientWidth), px(design::kClientHeight));
    QFont small = font();
    small.setPointSize(design::kFontPoints);
    setFont(small);

    Combo1 = new ChoiceBox(this);
    Drive1 = new ChoiceBox(this);
    Dir1 = new FolderBox(this);
    File1 = new FileBox(this);
    Check1 = new CheckBox(shownText(design::control(design::ControlName::Check1).caption), this);
    Label1 = new NoticeLine(this);
    for (const auto& c : design::kControls) widgetFor(c.name)->setGeometry(placeOf(c.name));

    const std::vector<design::ControlName> order = design::focusOrder();
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(widgetFor(order[i - 1]), widgetFor(order[i]));
    widgetFor(design::firstFocus())->setFocus();

    // Reading a saved folder of 100,000 files while the window is put on screen slowed its showing
    // by a fifth on two cores; the lists fill just after instead.
    options.readAfterShown = true;
    form_ = std::make_unique<Form1>(*this, Views{*Combo1, *Drive1, *Dir1, *File1, *Check1, *Label1},
                                    std::move(settings), std::move(drives), std::move(makeOffice), std::move(options));
    Form1& f = *form_;
    Combo1->chosen = [&f](int index) { f.Combo1.userChose(index); };
    Combo1->wheeled = [&f](int delta) { f.Combo1.userWheel(delta); };
    Drive1->chosen = [&f](int index) { f.Drive1.userChose(index); };
    Drive1->wheeled = [&f](int delta) { f.Drive1.userWheel(delta); };
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

QWidget* QtWindow::widgetFor(design::ControlName name) { return &design::controlOf<QWidget>(*this, name); }

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
    QTimer::singleShot(design::kSecondRaise, this, toFront);
}

}  // namespace vorrindel::app::qt
