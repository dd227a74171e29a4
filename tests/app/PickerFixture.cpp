#include "PickerFixture.h"

#include <QAbstractItemModel>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "app/controls/FileListBox.h"
#include "listing/Listing.h"

namespace vorrindel::app::testing {

automation::ObjectRef CountingOffice::createObject(std::string_view name) {
    created.emplace_back(name);
    throw automation::AutomationError(automation::errors::kCannotCreate, "no office in this test");
}

automation::ObjectRef CountingOffice::globalObject(automation::GlobalApp) {
    throw automation::AutomationError(automation::errors::kCannotCreate, "no office in this test");
}

void PickerFixture::SetUp() {
    char pattern[] = "/tmp/vorrindel-window-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    ini_ = root_ / "config" / "comp.ini";
    make("a/start/");
    make("b/");
    previousDir_ = std::filesystem::current_path();
    std::filesystem::current_path(root_ / "a" / "start");
}

void PickerFixture::TearDown() {
    form_.reset();
    std::filesystem::current_path(previousDir_);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string PickerFixture::make(const std::string& relative) {
    const auto full = root_ / relative;
    if (!relative.empty() && relative.back() == '/') {
        std::filesystem::create_directories(full);
        return listing::normalizePath(full.string());
    }
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full) << "x";
    return full.string();
}

void PickerFixture::writeIni(const std::string& content) {
    std::filesystem::create_directories(ini_.parent_path());
    std::ofstream(ini_, std::ios::binary) << content;
}

std::string PickerFixture::readIni() const {
    std::ifstream in(ini_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

Form1& PickerFixture::open() {
    auto drives = listing::DriveTable::of({{"/", "root"}, {path("a"), "ALPHA"}, {path("b"), "BETA"}},
                                          std::filesystem::current_path().string());
    form_ = std::make_unique<Form1>(settings::SettingsFile(ini_), std::move(drives), office_);
    return *form_;
}

std::vector<std::string> PickerFixture::listedFiles() const {
    std::vector<std::string> names;
    form_->File1->waitUntilListed();
    const auto* model = form_->File1->model();
    for (int r = 0; r < model->rowCount(); ++r) names.push_back(model->index(r, 0).data().toString().toStdString());
    return names;
}

}  // namespace vorrindel::app::testing
