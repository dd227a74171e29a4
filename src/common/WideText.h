#pragma once
// Windows only. The program keeps text as UTF-8; the system's calls take UTF-16. Names that are not
// valid UTF-16 (a lone surrogate, which NTFS allows) cross as the three bytes UTF-8 would give that
// code unit, so that every name listed can be opened again. Bytes that are not UTF-8 at all (a
// hand-edited settings file) become U+FFFD.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace vorrindel::windows {

inline std::wstring widen(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const auto follows = [&](std::size_t i) { return i < utf8.size() && (byte(i) & 0xC0) == 0x80; };
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = byte(i);
        std::size_t length = 0;
        char32_t code = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            length = 1, code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07, least = 0x10000;
        }
        bool whole = length > 0;
        for (std::size_t k = 1; whole && k < length; ++k) {
            whole = follows(i + k);
            if (whole) code = (code << 6) | (byte(i + k) & 0x3F);
        }
        if (!whole || code < least || code > 0x10FFFF) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<wchar_t>(code));  // a lone surrogate stays one
        }
        i += length;
    }
    return out;
}

inline std::string narrow(std::wstring_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t code = static_cast<char16_t>(utf16[i]);
        const bool high = code >= 0xD800 && code <= 0xDBFF;
        if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char16_t>(utf16[++i]) - 0xDC00);
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

// The system's text for an error code (or an HRESULT), without the line break it ends in; in the
// user's language unless another is asked for.
inline std::string errorText(DWORD code, LANGID language = 0) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(code) : narrow(message);
}

// While it lives, the calling thread gets a failure instead of the system's "insert a disk" box
// from a drive without a medium (an empty card reader).
class QuietDriveErrors {
public:
    QuietDriveErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
    ~QuietDriveErrors() { SetThreadErrorMode(old_, nullptr); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    DWORD old_ = 0;
};

}  // namespace vorrindel::windows
