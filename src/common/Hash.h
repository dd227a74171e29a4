#pragma once
// A short name derived from text (a cache folder, a pipe name): stable across runs, builds and
// machines, so it must not be std::hash.

#include <cstdint>
#include <string>
#include <string_view>

namespace vorrindel {

constexpr std::uint64_t fnv1a64(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    return hash;
}

// The hash as 16 lower-case hexadecimal digits.
inline std::string hexHash(std::string_view text) {
    static constexpr char digits[] = "0123456789abcdef";
    std::uint64_t hash = fnv1a64(text);
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) out[static_cast<std::size_t>(i)] = digits[hash & 0xF];
    return out;
}

}  // namespace vorrindel
