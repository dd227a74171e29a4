// Any bytes may stand in comp.ini. Storing one setting must read back exactly, leave the other
// settings as they were, touch no byte outside the one value it replaces, and storing it again
// must change nothing.

#include "settings/IniText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace ini = vorrindel::settings::ini;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static constexpr std::array<std::string_view, 4> kNames{"Type", "Drive", "Dir", "Tick"};
    FuzzedDataProvider input(data, size);
    const std::string_view name = kNames[input.ConsumeIntegralInRange<std::size_t>(0, kNames.size() - 1)];
    const std::string value = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    std::array<std::optional<std::string>, 4> before;
    for (std::size_t i = 0; i < kNames.size(); ++i) before[i] = ini::lookup(text, kNames[i], kNames[i]);
    if (!ini::isValidValue(value)) return 0;

    const std::string after = ini::assign(text, name, name, value);
    if (ini::lookup(after, name, name) != value) std::abort();
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] != name && ini::lookup(after, kNames[i], kNames[i]) != before[i]) std::abort();
    if (ini::assign(after, name, name, value) != after) std::abort();

    // Whatever of the old text is gone lies between the common head and tail: at most one old
    // value, which never spans a line ending.
    std::size_t head = 0;
    while (head < text.size() && head < after.size() && text[head] == after[head]) ++head;
    std::size_t tail = 0;
    while (tail < text.size() - head && tail < after.size() - head &&
           text[text.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const std::string_view removed = std::string_view(text).substr(head, text.size() - head - tail);
    if (removed.find_first_of("\r\n") != std::string_view::npos) std::abort();
    return 0;
}
