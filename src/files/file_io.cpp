// Whole-file reading and atomic replacement (see file_io.h). Everything here
// works on descriptors opened with O_CLOEXEC, so no program a host starts
// inherits one.
#include "files/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string_view>

namespace korvane::files {

namespace fs = std::filesystem;

namespace {

// Closes a descriptor when the scope ends.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    int Release() {
        const int closed = ::close(fd);
        fd = -1;
        return closed;
    }
};

// A suffix nobody can guess ahead of time: the process and random bits
// drawn afresh for every file, so that names planted in advance cannot all
// be taken and a forked child never repeats its parent's names.
std::string TemporarySuffix() {
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, 0) != static_cast<ssize_t>(sizeof bits)) {
        std::random_device device;
        bits = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }
    char hex[17];
    for (int i = 15; i >= 0; --i, bits >>= 4)
        hex[i] = "0123456789abcdef"[bits & 15];
    hex[16] = '\0';
    return std::to_string(::getpid()) + "-" + hex;
}

// The writer's process id when `name` is one of our temporary files
// (".NAME.tmp-PID-HEX"); 0 for any other name.
pid_t TemporaryWriter(std::string_view name) {
    constexpr std::string_view kMark = ".tmp-";
    constexpr std::size_t kHexDigits = 16;
    const std::size_t mark = name.rfind(kMark);
    if (name.empty() || name[0] != '.' || mark == std::string_view::npos || mark < 2)
        return 0;
    const std::string_view rest = name.substr(mark + kMark.size());
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 9 || rest.size() - dash - 1 != kHexDigits)
        return 0;
    pid_t pid = 0;
    for (char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9')
            return 0;
        pid = pid * 10 + (c - '0');
    }
    for (char c : rest.substr(dash + 1))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return 0;
    return pid;
}

// A save killed between creating its temporary file and the rename leaves
// the file behind. Each save removes those of its folder whose writer no
// longer runs: regular files of the saving user only, never one of this
// process or of a process that still runs (a save in progress).
void RemoveStaleTemporaries(const fs::path& dir) {
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return;
    const int folder = ::dirfd(listing);
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t writer = TemporaryWriter(entry->d_name);
        if (writer <= 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH)
            continue;
        struct stat st {};
        if (::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            (void)::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(listing);
}

// Whether the kernel's protection of shared folders would let this user
// follow the link `link` whose own stat is `self`: in a sticky,
// world-writable folder only a link of the folder's owner or of the user.
bool MayFollow(const fs::path& link, const struct stat& self) {
    const fs::path dir = link.has_parent_path() ? link.parent_path() : fs::path(".");
    struct stat folder {};
    if (::stat(dir.c_str(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || self.st_uid == folder.st_uid || self.st_uid == ::geteuid();
}

// The real folder of `target` lies at or below the real folder `within`.
Failure CheckWithin(const fs::path& target, const fs::path& within) {
    const std::string step = "saving outside " + within.string();
    char root[PATH_MAX];
    char real[PATH_MAX];
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!::realpath(within.c_str(), root))
        return {step, errno};
    if (!::realpath(dir.c_str(), real))
        return {"creating a temporary file", errno};
    const std::string_view top(root);
    const std::string_view inside(real);
    const bool below = inside == top || (inside.substr(0, top.size()) == top &&
                                         (top == "/" || (inside.size() > top.size() && inside[top.size()] == '/')));
    return below ? Failure{} : Failure{step, EACCES};
}

}  // namespace

ReadStatus ReadRegularFile(const fs::path& file, std::size_t maxBytes, std::string& text, int& error) {
    error = 0;
    text.clear();
    Descriptor d{::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (d.fd < 0) {
        error = errno;
        return error == ENOENT || error == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
    }
    struct stat st {};
    if (::fstat(d.fd, &st) != 0) {
        error = errno;
        return ReadStatus::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return ReadStatus::NotRegular;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
        return ReadStatus::TooLarge;
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == text.size()) {
            // The file may have grown since fstat.
            if (text.size() > maxBytes) {
                text.clear();
                return ReadStatus::TooLarge;
            }
            text.resize(text.size() + 4096);
        }
        const ssize_t n = ::read(d.fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            text.clear();
            return ReadStatus::Failed;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    if (text.size() > maxBytes) {
        text.clear();
        return ReadStatus::TooLarge;
    }
    return ReadStatus::Ok;
}

Failure WriteTarget(const fs::path& file, fs::path& target) {
    target = file;
    // As many links as the system itself follows; more is a loop.
    constexpr int kMaxLinks = 40;
    for (int hop = 0;; ++hop) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return {};
        if (hop == kMaxLinks)
            return {"following links", ELOOP};
        if (!MayFollow(target, st))
            return {"following a link of another user in a shared folder", EACCES};
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size())
            return {"following links", n < 0 ? errno : ENAMETOOLONG};
        link.resize(static_cast<std::size_t>(n));
        const fs::path next(link);
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
}

Failure WriteAtomically(const fs::path& file, std::string_view text, const fs::path& within) {
    fs::path target;
    if (Failure refused = WriteTarget(file, target))
        return refused;
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string base = target.filename().string();
    if (base.empty() || base == "." || base == "..")
        return {"creating", EISDIR};
    if (!within.empty())
        if (Failure outside = CheckWithin(target, within))
            return outside;

    // The new file keeps the old one's permissions (a new file gets the
    // usual 0666 less the umask), never its set-user-id, set-group-id or
    // sticky bit: the new file belongs to whoever saves it, and root saving
    // another user's set-id program must not make a set-id program of root.
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return {"replacing", EISDIR};

    RemoveStaleTemporaries(dir);
    fs::path temp;
    Descriptor d;
    for (int attempt = 0; d.fd < 0; ++attempt) {
        temp = dir / ("." + base + ".tmp-" + TemporarySuffix());
        d.fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (d.fd < 0 && (errno != EEXIST || attempt >= 100))
            return {"creating a temporary file", errno};
    }
    auto abandon = [&](const char* step, int err) {
        if (d.fd >= 0)
            d.Release();
        ::unlink(temp.c_str());
        return Failure{step, err};
    };
    if (replacing && S_ISREG(old.st_mode) && ::fchmod(d.fd, old.st_mode & 0777) != 0)
        return abandon("keeping the permissions", errno);

    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(d.fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return abandon("writing", errno);
        if (n == 0)
            return abandon("writing", ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(d.fd) != 0)
        return abandon("flushing", errno);
    if (d.Release() != 0)
        return abandon("closing", errno);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return abandon("replacing", errno);
    // The rename lasts only once the folder is on disk too; a folder that
    // cannot be flushed (some file systems refuse) is no error.
    Descriptor folder{::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd >= 0)
        (void)::fsync(folder.fd);
    return {};
}

}  // namespace korvane::files
