#pragma once
// The profile-file format as text, without any file behind it: "[Section]" lines open a section,
// "Key=Value" lines hold values. Names match without regard to ASCII letter case; blanks around
// names and values are not part of them; lines whose first non-blank is ";" or "#" are comments.
// Lines end in "\n", "\r\n" or "\r". A value that has to keep outer blanks, or that itself starts
// and ends with a double quote, is stored inside one pair of double quotes.

#include <optional>
#include <string>
#include <string_view>

namespace vorrindel::settings::ini {

// A name that can stand as a section or key: not empty, no outer blanks, no line break, NUL, "[",
// "]" or "=", and not starting like a comment.
bool isValidName(std::string_view name);

// A value that fits on one line: no line break and no NUL.
bool isValidValue(std::string_view value);

// The value of `key` in the first section named `section` that holds it; nullopt when absent.
std::optional<std::string> lookup(std::string_view text, std::string_view section, std::string_view key);

// `text` with `key` in `section` set to `value` and every other byte kept: an existing value is
// replaced in place, a new key goes after the last key of the section, a new section goes at the
// end. New lines take the text's first line ending ("\n" when it has none). Names and value must
// be valid (see above).
std::string assign(std::string_view text, std::string_view section, std::string_view key, std::string_view value);

}  // namespace vorrindel::settings::ini
