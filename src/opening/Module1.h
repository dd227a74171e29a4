#pragma once
// State shared by the openers for the life of the program.

#include <cstdint>
#include <string>
#include <string_view>

namespace vorrindel::opening {

struct PreviousFiles {
    std::string lastWorkbook;      // file name of the last Excel open
    std::string lastDocument;      // file name of the last Word open
    std::string lastPresentation;  // file name of the last PowerPoint open, less its extension
    std::string lastDatabase;      // file name of the last Access open
    std::int16_t wordStarted = 0;  // 1 once the program has started Word itself; never cleared
};

// The clicked file's full path: the folder, the system's separator ("/", or "\\" on Windows) unless
// the folder already ends in one, the name.
std::string SelectedFilePath(std::string_view dirPath, std::string_view fileName);

}  // namespace vorrindel::opening
