// Whole-file reading and atomic replacement (see file_io.h). Everything here
// works on descriptors opened with O_CLOEXEC, so no program a host starts
// inherits one.
#include "files/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <random>

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

// A suffix nobody can guess ahead of time: the process, a counter and
// random bits, so that names planted in advance cannot all be taken.
std::string TemporarySuffix() {
    static std::atomic<unsigned> counter{0};
    static const std::uint64_t seed = [] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }();
    std::uint64_t mix = seed ^ (static_cast<std::uint64_t>(counter++) * 0x9E3779B97F4A7C15ull);
    mix ^= mix >> 31;
    mix *= 0xBF58476D1CE4E5B9ull;
    mix ^= mix >> 29;
    char hex[17];
    for (int i = 15; i >= 0; --i, mix >>= 4)
        hex[i] = "0123456789abcdef"[mix & 15];
    hex[16] = '\0';
    return std::to_string(::getpid()) + "-" + hex;
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

fs::path WriteTarget(const fs::path& file) {
    fs::path target = file;
    // As many links as the system itself follows; a loop ends in the rename's ELOOP.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size())
            break;
        link.resize(static_cast<std::size_t>(n));
        const fs::path next(link);
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

Failure WriteAtomically(const fs::path& file, std::string_view text) {
    const fs::path target = WriteTarget(file);
    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string base = target.filename().string();
    if (base.empty() || base == "." || base == "..")
        return {"creating", EISDIR};

    // The new file keeps the old one's permissions (a new file gets the
    // usual 0666 less the umask).
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return {"replacing", EISDIR};

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
    if (replacing && S_ISREG(old.st_mode) && ::fchmod(d.fd, old.st_mode & 07777) != 0)
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
