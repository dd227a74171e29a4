// The settings file on Windows: read whole, locked with LockFileEx, replaced with ReplaceFileW (or
// MoveFileExW when there is nothing to replace yet). Names cross as UTF-16.
#include "settings/FileStore.h"

#include "common/WideText.h"

#include <shlobj.h>

#include <algorithm>

namespace vorrindel::settings::store {
namespace {

std::string shown(const std::filesystem::path& path) { return windows::narrow(path.native()); }

std::string describe(std::string_view what, const std::filesystem::path& path, DWORD error) {
    return std::string(what) + ' ' + shown(path) + ": " + windows::errorText(error);
}

// Not there yet (the first run): nothing to read, nothing to report. A file standing where one of
// the folders should be is no such case.
bool isMissing(const std::filesystem::path& path, DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND) return true;
    if (error != ERROR_PATH_NOT_FOUND) return false;
    for (std::filesystem::path above = path.parent_path(); !above.empty(); above = above.parent_path()) {
        const DWORD attributes = GetFileAttributesW(above.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (above == above.root_path()) break;
    }
    return true;
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    // Closes now, for a caller that must know whether closing worked.
    bool close() {
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

std::wstring environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(got < size ? got : 0);
    return value;
}

// A folder of the user's profile: the environment's word for it when that is an absolute path,
// else the shell's.
std::filesystem::path profileFolder(const wchar_t* variable, int shellFolder) {
    std::filesystem::path fromEnvironment = environment(variable);
    if (fromEnvironment.is_absolute()) return fromEnvironment;
    wchar_t folder[MAX_PATH] = L"";
    if (SUCCEEDED(SHGetFolderPathW(nullptr, shellFolder, nullptr, SHGFP_TYPE_CURRENT, folder))) return folder;
    return {};
}

}  // namespace

std::optional<std::string> readWhole(const std::filesystem::path& path, std::string& error) {
    error.clear();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (const DWORD code = GetLastError(); !isMissing(path, code)) error = describe("cannot read", path, code);
        return std::nullopt;
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
        error = "cannot read " + shown(path) + ": it is not a regular file";
        return std::nullopt;
    }
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        if (const DWORD code = GetLastError(); !isMissing(path, code)) error = describe("cannot read", path, code);
        return std::nullopt;
    }
    // Device names ("NUL", "COM1") and pipes open too; only a file on a disk is settings.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        error = "cannot read " + shown(path) + ": it is not a regular file";
        return std::nullopt;
    }
    std::string content;
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
            error = describe("cannot read", path, GetLastError());
            return std::nullopt;
        }
        if (got == 0) break;
        content.append(buffer, got);
    }
    return content;
}

// Links are rare here; a save through one (a symbolic link or a junction above the file) writes
// the file it finally names.
std::filesystem::path linkTarget(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
    Handle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()), 0);
    if (length >= final.size()) {
        final.resize(length + 1);
        length = GetFinalPathNameByHandleW(file.get(), final.data(), static_cast<DWORD>(final.size()), 0);
    }
    if (length == 0 || length >= final.size()) return path;
    final.resize(length);
    // "\\?\c:\x" and "\\?\UNC\server\share\x" are the long forms of "c:\x" and "\\server\share\x".
    if (final.starts_with(L"\\\\?\\UNC\\")) return L"\\" + final.substr(7);
    if (final.starts_with(L"\\\\?\\")) return final.substr(4);
    return final;
}

std::optional<std::string> refuseToWrite(const std::filesystem::path& target) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;  // a new file
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
        return "not saved: " + shown(target) + " is not a regular file";
    // The owner's way of freezing the settings.
    if (attributes & FILE_ATTRIBUTE_READONLY) return "not saved: " + shown(target) + " is read-only";
    return std::nullopt;
}

// An exclusive lock on "<target>.lock", which stays: removing it would let a third copy lock a
// fresh file while the second still holds the old one.
WriteLock::WriteLock(const std::filesystem::path& target) {
    std::filesystem::path lockPath = target;
    lockPath += L".lock";
    const HANDLE file = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = describe("cannot lock", target, GetLastError());
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    // Another copy holds it only for one save; give up after two seconds rather than hang the
    // window behind a copy that is stuck.
    for (int attempt = 0;; ++attempt) {
        OVERLAPPED whole{};
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) return;
        const DWORD code = GetLastError();
        if (code != ERROR_LOCK_VIOLATION || attempt == 2000) {
            error_ = describe("cannot lock", target, code);
            return;
        }
        if (attempt == 0 && waitingHook) waitingHook();
        Sleep(1);
    }
}

WriteLock::~WriteLock() {
    if (handle_ == -1) return;
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED whole{};
    UnlockFileEx(file, 0, 1, 0, &whole);
    CloseHandle(file);
}

// Through "<target>.tmp", written and flushed, then put in the target's place in one step.
// ReplaceFileW keeps the old file's attributes and permissions; a first save has nothing to
// replace and moves the new file in.
std::optional<std::string> replaceFile(const std::filesystem::path& target, std::string_view content) {
    std::filesystem::path temporary = target;
    temporary += L".tmp";
    Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file.valid()) return describe("cannot write", temporary, GetLastError());

    DWORD failure = 0;
    while (!failure && !content.empty()) {
        DWORD put = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1u << 20));
        if (!WriteFile(file.get(), content.data(), chunk, &put, nullptr)) failure = GetLastError();
        content.remove_prefix(put);
    }
    if (!failure && !FlushFileBuffers(file.get())) failure = GetLastError();
    if (!file.close() && !failure) failure = GetLastError();
    const DWORD oldAttributes = GetFileAttributesW(target.c_str());
    if (!failure) {
        const bool replaced = oldAttributes != INVALID_FILE_ATTRIBUTES &&
                              ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        if (!replaced && !MoveFileExW(temporary.c_str(), target.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            failure = GetLastError();
    }
    // A hidden file stays hidden, also where the system's replacing forgets it (Wine).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD kept = oldAttributes == INVALID_FILE_ATTRIBUTES ? 0 : oldAttributes & kKept;
    if (!failure && kept) SetFileAttributesW(target.c_str(), GetFileAttributesW(target.c_str()) | kept);
    if (failure) {
        DeleteFileW(temporary.c_str());
        return describe("cannot write", target, failure);
    }
    return std::nullopt;
}

// Where the profile functions put a bare "comp.ini": the Windows folder. A program without a
// manifest that wrote there since Windows Vista was sent to the user's VirtualStore copy, which
// it then also read first.
std::vector<std::filesystem::path> legacyLocations() {
    std::vector<std::filesystem::path> places;
    wchar_t folder[MAX_PATH] = L"";
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return places;
    const std::filesystem::path windowsFolder = folder;
    const std::filesystem::path local = profileFolder(L"LOCALAPPDATA", CSIDL_LOCAL_APPDATA);
    if (!local.empty()) places.push_back(local / L"VirtualStore" / windowsFolder.relative_path() / L"comp.ini");
    places.push_back(windowsFolder / L"comp.ini");
    return places;
}

std::string decodeLegacy(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE")) {
        bytes.remove_prefix(2);
        std::wstring text(bytes.size() / 2, L'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                           static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
        return windows::narrow(text);
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes);
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), size);
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return windows::narrow(text);
}

std::filesystem::path defaultLocation() {
    std::filesystem::path folder = profileFolder(L"APPDATA", CSIDL_APPDATA);
    // No profile at all (a bare service account): still one fixed place per machine.
    if (folder.empty()) folder = std::filesystem::temp_directory_path();
    return folder / L"Vorrindel" / L"comp.ini";
}

}  // namespace vorrindel::settings::store
