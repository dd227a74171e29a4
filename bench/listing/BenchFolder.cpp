#include "BenchFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace vorrindel::listing::bench {

SampleFolder::SampleFolder(std::size_t count) {
    std::string templ = (std::filesystem::temp_directory_path() / "listing-bench-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder: " + std::string(std::strerror(errno)));
    path_ = templ;
    static constexpr std::array<std::string_view, 4> kWord = {".doc", ".RTF", ".Doc", ".rtf"};
    static constexpr std::array<std::string_view, 6> kOther = {".docx", ".xls", ".txt", ".rtf.bak", ".PDF", ".odt"};
    char name[64];
    try {
        for (std::size_t i = 0; i < count; ++i) {
            const bool word = i % 4 == 0;
            const std::string_view ext = word ? kWord[(i / 4) % kWord.size()] : kOther[i % kOther.size()];
            std::snprintf(name, sizeof name, "%s_%06zu%.*s", (i % 3 == 0) ? "Report" : "notes", i,
                          static_cast<int>(ext.size()), ext.data());
            const int fd = open((path_ + "/" + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0) throw std::runtime_error("cannot make " + std::string(name) + ": " + std::strerror(errno));
            close(fd);
            if (word) ++wordFiles_;
        }
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        throw;
    }
}

SampleFolder::~SampleFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vorrindel::listing::bench
