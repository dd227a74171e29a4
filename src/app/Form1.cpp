#include "app/Form1.h"

#include <algorithm>
#include <charconv>

#include "app/DocumentType.h"

namespace vorrindel::app {

namespace {

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

Form1::Form1(Window& window, Views views, settings::SettingsFile settings, listing::DriveTable drives,
             opening::RequestQueue::OfficeFactory makeOffice, Options options)
    : window_(window), label_(views.label), options_(std::move(options)), settings_(std::move(settings)),
      drives_(std::move(drives)), reader_(options_.readAfterShown), Combo1(views.combo, *this), Drive1(drives_, views.drive, *this),
      Dir1(drives_, reader_, window_, views.dir, *this), File1(reader_, window_, views.file, *this),
      Check1(views.check, *this) {
    label_.setText(std::string(kMakerNotice));

    // The automation thread's show and reports come back on the window thread, unless the form
    // is gone by then.
    const std::weak_ptr<Form1*> self = self_;
    auto onWindowThread = [self, &window](std::function<void(Form1&)> work) {
        window.post([self, work = std::move(work)] {
            if (const auto form = self.lock()) work(**form);
        });
    };
    opening::RequestQueue::Outlet outlet{
        [onWindowThread] { onWindowThread([](Form1& form) { form.Show(); }); },
        [onWindowThread](const std::string& text) { onWindowThread([text](Form1& form) { form.report(text); }); },
        [onWindowThread](const opening::Snapshot& request) {
            onWindowThread([request](Form1& form) { form.requestBegun(request); });
        },
        [onWindowThread](const opening::Snapshot& request, bool failed) {
            onWindowThread([request, failed](Form1& form) { form.requestEnded(request, failed); });
        },
    };
    requests_ = std::make_unique<opening::RequestQueue>(std::move(makeOffice), std::move(outlet), options_.requestLimit);

    Combo1.onClick = [this] { Combo1_Click(); };
    Drive1.onChange = [this] { Drive1_Change(); };
    Dir1.onChange = [this] { Dir1_Change(); };
    Check1.onClick = [this] { Check1_Click(); };
    File1.onClick = [this] { File1_Click(); };

    Form_Load();
}

Form1::~Form1() = default;

void Form1::Form_Load() {
    DepthGuard loading(depth_);
    for (const auto& type : kDocumentTypes) Combo1.addEntry(std::string(type.name));

    // All four values are read before any is applied: applying the drive rewrites the saved
    // folder, which must not be lost before it is restored.
    std::string readError;
    const settings::SavedSettings saved = settings_.readAll(&readError);
    if (!readError.empty()) report("settings not restored: " + readError);

    restore("type", saved.type, [&] { Combo1.setText(saved.type); });
    restore("drive", saved.drive, [&] { Drive1.setDrive(saved.drive); });
    restore("folder", saved.dir, [&] { Dir1.setPath(saved.dir); });
    restore("check box", saved.tick, [&] { Check1.setValue(parseTick(saved.tick)); });
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
    save("Type", Combo1.text());
    const DocumentType* type = findDocumentType(Combo1.text());
    if (type) File1.setPattern(std::string(type->pattern));
    // The office starts meanwhile, so that the first click does not wait for it.
    if (type) requests_->prepare(std::string(type->application));
    File1.setPath(Dir1.path());
    File1.refresh();
}

void Form1::Drive1_Change() {
    save("Drive", Drive1.drive());
    Dir1.setPath(Drive1.drive());
}

void Form1::Dir1_Change() {
    save("Dir", Dir1.path());
    File1.setPath(Dir1.path());
}

void Form1::Check1_Click() { save("Tick", std::to_string(Check1.value())); }

// The request runs on the automation thread with the picker as it is now; browsing on in the
// meantime acts as if it came after the request.
void Form1::File1_Click() { queue({Combo1.text(), Check1.value(), Dir1.path(), File1.fileName(), false}); }

void Form1::loadsheet() { queue({Combo1.text(), Check1.value(), Dir1.path(), File1.fileName(), true}); }

void Form1::queue(opening::Snapshot request) {
    const bool goesSomewhere = !titleFor(request).empty();
    requests_->post(std::move(request));
    if (!goesSomewhere) return;  // no type chosen: the click opens nothing
    ++pending_;
    window_.setBusy(true);
    showStatus();
}

std::string Form1::titleFor(const opening::Snapshot& request) const {
    const DocumentType* type = opening::documentTypeOf(request);
    if (!type) return {};
    return options_.applicationTitle ? options_.applicationTitle(type->name) : std::string(type->name);
}

void Form1::requestBegun(const opening::Snapshot& request) {
    const std::string title = titleFor(request);
    if (title.empty()) return;
    notice_.clear();  // a report of an earlier request gives way to this one
    progress_ = "Opening " + request.file + " in " + title + "\u2026";
    showStatus();
}

void Form1::requestEnded(const opening::Snapshot& request, bool failed) {
    const std::string title = titleFor(request);
    if (title.empty()) return;
    pending_ = std::max(0, pending_ - 1);
    progress_.clear();
    outcome_ = failed ? std::string() : request.file + " opened in " + title;
    if (pending_ == 0) window_.setBusy(false);
    showStatus();
}

void Form1::showStatus() {
    if (!notice_.empty()) {
        label_.setText(notice_);
        return;
    }
    if (pending_ > 0) {
        const int waiting = pending_ - 1;  // behind the one under way, or the first one waiting
        std::string text = progress_.empty() ? std::string("Waiting for the office\u2026") : progress_;
        if (waiting == 1) text += " (1 more queued)";
        if (waiting > 1) text += " (" + std::to_string(waiting) + " more queued)";
        label_.setText(text);
        return;
    }
    label_.setText(outcome_.empty() ? std::string(kMakerNotice) : outcome_);
}

void Form1::Show() { window_.bringToFront(); }

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

// Every failed save is said, so that the user never believes a change was kept.
void Form1::save(const char* name, const std::string& value) {
    if (const auto problem = settings_.writeSetting(name, value)) report(*problem);
}

void Form1::report(const std::string& text) {
    if (options_.log) options_.log(text);
    reported_ = true;
    notice_ = text;
    label_.setText(text);
}

void Form1::clearNotice() {
    if (notice_.empty()) return;
    notice_.clear();
    showStatus();
}

}  // namespace vorrindel::app
