#include "app/Form1.h"

#include <QFont>
#include <QLabel>
#include <QTimer>
#include <charconv>
#include <iostream>

#include "app/controls/DirListBox.h"
#include "app/controls/DriveListBox.h"
#include "app/controls/FileListBox.h"
#include "app/controls/TriStateCheckBox.h"
#include "app/controls/TypeComboBox.h"
#include "app/DocumentType.h"

namespace vorrindel::app {

namespace {

// Layout in twips, converted at 15 twips to the pixel.
constexpr int px(int twips) { return twips / 15; }

constexpr int kSecondRaiseMs = 400;

struct DepthGuard {
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    int& depth;
};

// The saved "Tick" as a whole number; anything else is not a value of the box.
int parseTick(const std::string& text) {
    size_t b = text.find_first_not_of(' ');
    size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos) throw ControlError("empty check box value");
    int value = 0;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) throw ControlError("\"" + text + "\" is not a number");
    return value;
}

}  // namespace

const QString Form1::kMakerNotice = QStringLiteral("Palvane \u00b7 one click opens each document");

Form1::Form1(settings::SettingsFile settings, listing::DriveTable drives, automation::OfficeAutomation& office,
             QWidget* parent)
    : QWidget(parent), settings_(std::move(settings)), drives_(std::move(drives)), request_(office, *this) {
    setWindowTitle(QStringLiteral("Vorrindel "));
    setFixedSize(px(3960), px(4305));
    QFont small = font();
    small.setPointSize(8);  // the lists are small; a compact font shows more of each
    setFont(small);

    Combo1 = new TypeComboBox(*this, this);
    Drive1 = new DriveListBox(drives_, *this, this);
    Dir1 = new DirListBox(drives_, *this, this);
    File1 = new FileListBox(*this, this);
    Check1 = new TriStateCheckBox(QStringLiteral("Do not close previous file"), *this, this);
    Label1 = new QLabel(kMakerNotice, this);

    const int left = px(120);
    Combo1->setGeometry(left, px(120), px(3735), px(315));
    Drive1->setGeometry(left, px(600), px(3735), px(315));
    Dir1->setGeometry(left, px(1080), px(3735), px(1215));
    File1->setGeometry(left, px(2520), px(3735), px(870));
    Check1->setGeometry(left, px(3600), px(3255), px(255));
    Label1->setGeometry(left, px(3960), px(3615), px(375));
    Label1->setTextFormat(Qt::PlainText);

    // The drive list holds the focus first; the type list, although at the top, comes last.
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, File1);
    setTabOrder(File1, Check1);
    setTabOrder(Check1, Combo1);
    Drive1->setFocus();

    Combo1->onClick = [this] { Combo1_Click(); };
    Drive1->onChange = [this] { Drive1_Change(); };
    Dir1->onChange = [this] { Dir1_Change(); };
    Check1->onClick = [this] { Check1_Click(); };
    File1->onClick = [this] { File1_Click(); };

    Form_Load();
}

Form1::~Form1() = default;

void Form1::Form_Load() {
    DepthGuard loading(depth_);
    for (const auto& type : kDocumentTypes) Combo1->addEntry(QString::fromUtf8(type.name));

    // All four values are read before any is applied: applying the drive rewrites the saved
    // folder, which must not be lost before it is restored.
    std::string readError;
    const settings::SavedSettings saved = settings_.readAll(&readError);
    if (!readError.empty()) report("settings not restored: " + readError);

    restore("type", saved.type, [&] { Combo1->setText(QString::fromStdString(saved.type)); });
    restore("drive", saved.drive, [&] { Drive1->setDrive(saved.drive); });
    restore("folder", saved.dir, [&] { Dir1->setPath(saved.dir); });
    restore("check box", saved.tick, [&] { Check1->setValue(parseTick(saved.tick)); });
}

// A saved value that cannot be applied is passed over; an empty one (nothing saved yet) quietly.
void Form1::restore(const char* what, const std::string& saved, const std::function<void()>& apply) {
    if (saved.empty()) return;
    try {
        apply();
    } catch (const std::exception& e) {
        report(std::string("saved ") + what + " not restored: " + e.what());
    }
}

void Form1::Combo1_Click() {
    save("Type", Combo1->text().toStdString());
    if (const DocumentType* type = findDocumentType(Combo1->text().toStdString()))
        File1->setPattern(std::string(type->pattern));
    File1->setPath(Dir1->path());
    File1->refresh();
}

void Form1::Drive1_Change() {
    save("Drive", Drive1->drive());
    Dir1->setPath(Drive1->drive());
}

void Form1::Dir1_Change() {
    save("Dir", Dir1->path());
    File1->setPath(Dir1->path());
}

void Form1::Check1_Click() { save("Tick", std::to_string(Check1->value())); }

void Form1::File1_Click() {
    if (auto failure = request_.File1_Click()) report(*failure);
}

void Form1::loadsheet() { request_.loadsheet(); }

std::string Form1::typeText() const { return Combo1->text().toStdString(); }
int Form1::checkValue() const { return Check1->value(); }
std::string Form1::dirPath() const { return Dir1->path(); }
std::string Form1::fileName() const { return File1->fileName(); }

void Form1::show() {
    auto toFront = [this] {
        QWidget::show();
        if (isMinimized()) showNormal();
        raise();
        activateWindow();
    };
    toFront();
    // The office maps and raises its window from its own event loop, often just after our call
    // returns; come to the front once more when it has done so.
    QTimer::singleShot(kSecondRaiseMs, this, toFront);
}

void Form1::runEvent(std::string_view, const std::function<void()>& body) {
    if (depth_ > 0) {  // set by another handler: its failure is that handler's
        DepthGuard nested(depth_);
        body();
        return;
    }
    DepthGuard top(depth_);
    reported_ = false;
    try {
        body();
    } catch (const std::exception& e) {
        report(e.what());
    }
    if (!reported_) clearNotice();
}

void Form1::save(const char* name, const std::string& value) {
    const auto problem = settings_.writeSetting(name, value);
    if (!problem) return;
    if (warnedSaving_.insert(*problem).second) report(*problem);
}

void Form1::report(const std::string& text) {
    std::cerr << "vorrindel: " << text << std::endl;
    reported_ = true;
    notice_ = text;
    const QString full = QString::fromStdString(text);
    Label1->setText(Label1->fontMetrics().elidedText(full, Qt::ElideRight, Label1->width()));
    Label1->setToolTip(full);
}

void Form1::clearNotice() {
    if (notice_.empty()) return;
    notice_.clear();
    Label1->setText(kMakerNotice);
    Label1->setToolTip(QString());
}

}  // namespace vorrindel::app
