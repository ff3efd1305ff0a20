// Reading and replacing whole files, shared by every writer and reader of
// the project's own files (form files, the registry): a reader that never
// blocks on what is not a regular file and refuses files past a size, and
// one atomic replacement that a crash, a full disk or a planted file cannot
// turn into a half-written or redirected file.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace korvane::files {

// What went wrong, for a message: the step ("creating a temporary file",
// "writing", "replacing", ...) and the system's error number. `Error` 0
// means it worked.
struct Failure {
    std::string Step;
    int Error = 0;
    explicit operator bool() const { return Error != 0; }
};

enum class ReadStatus {
    Ok,
    Missing,     // no file there (ENOENT, or ENOTDIR: a folder on the way is a file)
    NotRegular,  // a folder, a FIFO, a device...: never opened for reading
    TooLarge,    // larger than the limit
    Failed,      // any other error; `error` says which
};

// Reads `file` whole into `text`. Opened without blocking, so that a FIFO
// in the file's place is refused rather than waited on; more than
// `maxBytes` bytes is TooLarge. `error` holds errno on Failed and Missing.
ReadStatus ReadRegularFile(const std::filesystem::path& file, std::size_t maxBytes, std::string& text, int& error);

// The file a write to `file` changes, in `target`: symbolic links are
// followed to their final target (which need not exist yet), so that saving
// through a link replaces what it points at and keeps the link. A link is
// followed only where the kernel's protection of shared folders
// (fs.protected_symlinks) would follow it, since resolving links here keeps
// the kernel from applying it: in a sticky, world-writable folder (/tmp)
// only a link owned by the folder's owner or by this user. Another user's
// link there is refused with EACCES, a loop or a chain longer than the
// system follows with ELOOP.
Failure WriteTarget(const std::filesystem::path& file, std::filesystem::path& target);

// Replaces `file` (or the file its links point at, see WriteTarget) with
// `text`: the text goes to a fresh temporary file in the same folder,
// created exclusively under an unpredictable name (never a file or link
// someone placed there), with the old file's permissions less any set-id or
// sticky bit; it is flushed, renamed over the old file and the folder is
// flushed too. The old file stays whole until the rename; on failure the
// temporary file is removed and the old file is untouched. Temporary files
// of earlier saves in that folder whose writer no longer runs (killed
// mid-way) are removed first. With `within` given, the file (after its
// links) must lie in that folder or below it, else EACCES.
Failure WriteAtomically(const std::filesystem::path& file, std::string_view text,
                        const std::filesystem::path& within = {});

}  // namespace korvane::files
