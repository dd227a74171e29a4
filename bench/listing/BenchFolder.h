#pragma once
// A throw-away folder full of empty files, shared by the listing benchmarks.

#include <cstddef>
#include <string>

namespace vorrindel::listing::bench {

// Makes a fresh folder under the temporary folder holding `count` empty files. Every fourth file
// is a Word-type file ("*.doc" or "*.rtf", letter case mixed); the others have look-alike
// extensions (".docx", ".rtf.bak", ".xls", ...). Removed with everything in it on destruction.
class SampleFolder {
public:
    explicit SampleFolder(std::size_t count);
    ~SampleFolder();
    SampleFolder(const SampleFolder&) = delete;
    SampleFolder& operator=(const SampleFolder&) = delete;

    const std::string& path() const { return path_; }
    // How many of the files are Word-type files.
    std::size_t wordFiles() const { return wordFiles_; }

private:
    std::string path_;
    std::size_t wordFiles_ = 0;
};

}  // namespace vorrindel::listing::bench
