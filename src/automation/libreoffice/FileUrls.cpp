#include "automation/libreoffice/FileUrls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <osl/file.hxx>
#include <rtl/textcvt.h>
#include <rtl/uri.hxx>
#include <rtl/ustring.hxx>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include "common/SystemError.h"

namespace vorrindel::automation::libreoffice {

namespace {

// Bytes as the characters U+0000 to U+00FF and back: the URI functions then escape and
// unescape each byte as itself, whatever encoding (if any) the name is in.
rtl::OUString bytesAsText(std::string_view s) {
    return rtl::OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_ISO_8859_1);
}

std::string textAsBytes(const rtl::OUString& s) {
    rtl::OString bytes = rtl::OUStringToOString(s, RTL_TEXTENCODING_ISO_8859_1);
    return std::string(bytes.getStr(), static_cast<std::size_t>(bytes.getLength()));
}

std::string unescape(std::string_view s) {
    return textAsBytes(rtl::Uri::decode(bytesAsText(s), rtl_UriDecodeWithCharset, RTL_TEXTENCODING_ISO_8859_1));
}

}  // namespace

std::string fileUrlFromPath(std::string_view path) {
    // Segment by segment, so that the slashes stay and everything else a segment cannot hold
    // as it is (';', '?', '#', '%', spaces, bytes past ASCII) is escaped.
    std::string url = "file://";
    std::size_t start = 0;
    for (;;) {
        std::size_t slash = path.find('/', start);
        std::string_view segment = path.substr(start, slash == std::string_view::npos ? slash : slash - start);
        url += textAsBytes(rtl::Uri::encode(bytesAsText(segment), rtl_UriCharClassPchar, rtl_UriEncodeIgnoreEscapes,
                                            RTL_TEXTENCODING_ISO_8859_1));
        if (slash == std::string_view::npos) break;
        url += '/';
        start = slash + 1;
    }
    return url;
}

std::optional<std::string> pathFromFileUrl(std::string_view url) {
    // The office's own rules decide what is a local file URL (scheme, host, no query)...
    rtl::OUString systemPath;
    if (url.empty() ||
        osl::FileBase::getSystemPathFromFileURL(bytesAsText(url), systemPath) != osl::FileBase::E_None)
        return std::nullopt;
    // ...but decode as UTF-8 and so lose the bytes of names that are not: the path is taken from
    // the URL's own escapes instead.
    std::string_view rest = url.substr(url.find(':') + 1);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        auto slash = rest.find('/');
        rest = slash == std::string_view::npos ? std::string_view("/") : rest.substr(slash);
    }
    return unescape(rest);
}

std::string fileNameFromUrl(std::string_view url) {
    auto q = url.find_first_of("?#");
    if (q != std::string_view::npos) url = url.substr(0, q);
    auto slash = url.rfind('/');
    return unescape(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

std::string withoutExtension(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::string(name);
    return std::string(name.substr(0, dot));
}

bool isValidUtf8(std::string_view s) {
    rtl::OUString text;
    return rtl_convertStringToUString(&text.pData, s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8,
                                      RTL_TEXTTOUNICODE_FLAGS_UNDEFINED_ERROR |
                                          RTL_TEXTTOUNICODE_FLAGS_MBUNDEFINED_ERROR |
                                          RTL_TEXTTOUNICODE_FLAGS_INVALID_ERROR);
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (!isValidUtf8(a) || !isValidUtf8(b)) return a == b;
    // The office ignores case by full case folding, Turkic rules only in a Turkic locale
    // (its IGNORE_CASE transliteration); ICU's default folding is the same table.
    rtl::OUString ua(a.data(), static_cast<sal_Int32>(a.size()), RTL_TEXTENCODING_UTF8);
    rtl::OUString ub(b.data(), static_cast<sal_Int32>(b.size()), RTL_TEXTENCODING_UTF8);
    UErrorCode status = U_ZERO_ERROR;
    const int order = u_strCaseCompare(reinterpret_cast<const UChar*>(ua.getStr()), ua.getLength(),
                                       reinterpret_cast<const UChar*>(ub.getStr()), ub.getLength(),
                                       U_FOLD_CASE_DEFAULT, &status);
    return U_SUCCESS(status) ? order == 0 : a == b;
}

std::optional<std::string> unopenableCause(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        int error = errno;
        std::string folder = std::filesystem::path(path).parent_path().string();
        struct stat dir {};
        if (error == ENOENT && !folder.empty() && stat(folder.c_str(), &dir) != 0 && errno == ENOENT)
            return "its folder \"" + folder + "\" no longer exists";
        if (error == ENOENT) return "there is no such file (it was moved or deleted)";
        if (error == EACCES) return "its folder cannot be entered (permission denied)";
        if (error == ENAMETOOLONG) return "its name is too long for the file system";
        return "it cannot be reached (" + systemErrorText(error) + ")";
    }
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    // Non-blocking, in case the file was swapped for a pipe since the look above.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES) return "the file is not readable (permission denied)";
        return "the file cannot be read (" + systemErrorText(errno) + ")";
    }
    close(fd);
    return std::nullopt;
}

}  // namespace vorrindel::automation::libreoffice
