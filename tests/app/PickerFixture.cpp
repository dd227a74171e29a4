#include "PickerFixture.h"

#include <fstream>
#include <sstream>

#include "TempFolder.h"
#include "listing/Listing.h"
#include "settings/SettingsFile.h"

namespace vorrindel::app::testing {

void PickerFixture::SetUp() {
    root_ = vorrindel::testing::makeTempFolder("vorrindel-picker");
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
    } else {
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full) << "x";
    }
    return path(relative);
}

std::string PickerFixture::path(const std::string& relative) const {
    return listing::normalizePath((root_ / relative).string());
}

std::string PickerFixture::root() const { return listing::folderChain(path("")).front().path; }

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

std::string PickerFixture::saved(const char* name) const { return settings::SettingsFile(ini_).readSetting(name); }

Form1& PickerFixture::open() {
    form_.reset();
    window_.flush();
    form_ = std::make_unique<Form1>(window_, window_.views(), settings::SettingsFile(ini_), drives(), officeFactory(),
                                    options());
    return *form_;
}

listing::DriveTable PickerFixture::drives() const {
    return listing::DriveTable::of({{root(), "root"}, {path("a"), "ALPHA"}, {path("b"), "BETA"}},
                                   std::filesystem::current_path().string());
}

opening::RequestQueue::OfficeFactory PickerFixture::officeFactory() {
    return [this] { return std::make_unique<automation::ForwardingOffice>(office_); };
}

Form1::Options PickerFixture::options() {
    Form1::Options options;
    options.log = [this](const std::string& text) { logged_.push_back(text); };
    return options;
}

std::vector<std::string> PickerFixture::listedFiles() {
    form_->File1.waitUntilListed();
    window_.flush();
    return form_->File1.names();
}

void PickerFixture::settle() {
    form_->waitForRequests();
    window_.flush();
}

void PickerFixture::openFolder(const std::string& full) {
    form_->Dir1.waitUntilListed();
    const auto& paths = form_->Dir1.entryPaths();
    for (size_t row = 0; row < paths.size(); ++row) {
        if (paths[row] == full) {
            form_->Dir1.userOpen(static_cast<int>(row));
            return;
        }
    }
    ADD_FAILURE() << "no entry " << full;
}

std::vector<std::string> PickerFixture::created() const {
    std::vector<std::string> names;
    for (const auto& line : office_.log())
        if (line.rfind("create \"", 0) == 0) names.push_back(line.substr(8, line.find('"', 8) - 8));
    return names;
}

std::vector<std::string> PickerFixture::opened() const {
    std::vector<std::string> paths;
    for (const auto& line : office_.log()) {
        const auto at = line.find(".Open method (\"");
        if (at != std::string::npos) paths.push_back(line.substr(at + 15, line.find('"', at + 15) - at - 15));
    }
    return paths;
}

void PickerFixture::expectFirstRunSaying(const std::string& cause) {
    Form1& f = open();
    EXPECT_EQ(f.Combo1.text(), "");
    EXPECT_EQ(f.Dir1.path(), path("a/start"));
    EXPECT_THAT(f.notice(), ::testing::HasSubstr(cause));
    EXPECT_THAT(logged_, ::testing::Contains(f.notice()));
}

}  // namespace vorrindel::app::testing
