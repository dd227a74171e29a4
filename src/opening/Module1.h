#pragma once
// State shared by the openers for the life of the program.

#include <cstdint>
#include <string>

namespace vorrindel::opening {

struct PreviousFiles {
    std::string lastWorkbook;      // file name of the last Excel open
    std::string lastDocument;      // file name of the last Word open
    std::string lastPresentation;  // file name of the last PowerPoint open, less its extension
    std::string lastDatabase;      // file name of the last Access open
    std::int16_t wordStarted = 0;  // 1 once the program has started Word itself; never cleared
};

}  // namespace vorrindel::opening
