#pragma once
// File URLs and document names as the office holds them, and whether a file can be opened.
//
// Paths and names are bytes, as the file system holds them; they need not be UTF-8. URLs carry
// every byte that is not a plain URL character as its own escape, so a name that is not UTF-8
// reaches the office, and comes back from it, unchanged.

#include <optional>
#include <string>
#include <string_view>

namespace vorrindel::automation::libreoffice {

// file:// URL of an absolute path.
std::string fileUrlFromPath(std::string_view path);
// Local path of a file:// URL; nullopt for other schemes and other hosts.
std::optional<std::string> pathFromFileUrl(std::string_view url);
// Last segment of a location URL, decoded ("" for an untitled document).
std::string fileNameFromUrl(std::string_view url);
// File name less its extension (the part from the last dot on); a leading dot is not one.
std::string withoutExtension(std::string_view name);
bool isValidUtf8(std::string_view s);
// Equality of two names with letter case ignored as the office ignores it: full Unicode case
// folding, the same in every locale (so "ß" matches "SS", "ς" matches "Σ", and "İ" matches neither
// "i" nor "ı"). A name that is not UTF-8 matches only itself, byte for byte.
bool sameNameIgnoringCase(std::string_view a, std::string_view b);
// Why the office could not open the file at `path`, when this process can tell beforehand (the
// office runs as the same user): it is missing, its folder is gone or cannot be entered, it is a
// folder or no regular file, or it cannot be read. nullopt when nothing stands in the way.
std::optional<std::string> unopenableCause(const std::string& path);

}  // namespace vorrindel::automation::libreoffice
