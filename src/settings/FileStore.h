#pragma once
// How each system reads, locks and replaces the settings file (FileStore_posix.cpp,
// FileStore_windows.cpp). Only a regular file, or a link to one, is ever read or replaced.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorrindel::settings::store {

// Where the settings file lives when none is named.
std::filesystem::path defaultLocation();

// Settings files an earlier version of the program left where it kept them, the one it would have
// read first first. They are read only while the settings file itself does not exist yet, and
// never written. None on Linux.
std::vector<std::filesystem::path> legacyLocations();

// The text of such a file as UTF-8. Unchanged on Linux; on Windows the file is in the system's ANSI
// code page, or UTF-16 when it starts with that byte order mark.
std::string decodeLegacy(std::string_view bytes);

// The whole file. Nothing, with `error` empty, when it does not exist; nothing, with `error`
// naming the cause, when it cannot be read or is not a regular file (a FIFO is never opened for
// reading, so it cannot hold up the caller).
std::optional<std::string> readWhole(const std::filesystem::path& file, std::string& error);

// The file that `path` finally names, through a chain of links, even when it does not exist yet:
// a save writes through a link instead of replacing it.
std::filesystem::path linkTarget(const std::filesystem::path& path);

// Why `target` must not be replaced: it is not a regular file, or its owner made it read-only
// (the way to freeze the settings). Nothing when it may be written or does not exist yet.
std::optional<std::string> refuseToWrite(const std::filesystem::path& target);

// Held while a save reads, changes and replaces the file, so that two running copies take turns.
// A WriteLock that finds another copy holding the lock calls `waitingHook`, when set, once on its
// own thread before it waits: how a test knows that a save is waiting.
inline std::function<void()> waitingHook;

class WriteLock {
public:
    explicit WriteLock(const std::filesystem::path& target);
    ~WriteLock();
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    const std::optional<std::string>& error() const { return error_; }

private:
    std::intptr_t handle_ = -1;
    std::optional<std::string> error_;
};

// Replaces `target` by `content` so that a failure or a crash at any point leaves either the old
// file or the new one, whole. Call with the write lock held. Returns the reason on failure.
std::optional<std::string> replaceFile(const std::filesystem::path& target, std::string_view content);

}  // namespace vorrindel::settings::store
