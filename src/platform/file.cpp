// POSIX implementation of the file layer.
#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace brimwick::platform {

std::string FileError::message() const {
    return operation_ + " " + path_ + ": " + reason();
}

std::string FileError::reason() const {
    return reason_.empty() ? std::string(std::strerror(cause_)) : reason_;
}

namespace {

// The kind of a file that is not a regular one, "" for a regular file.
std::string kindOf(mode_t mode) {
    if (S_ISREG(mode)) return "";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "no regular file";
}

FileError notRegular(const std::string& operation, const std::string& path,
                     const std::string& kind) {
    if (kind == "a directory") return FileError(operation, path, EISDIR);
    return FileError(operation, path, EINVAL, "it is " + kind + ", not a regular file");
}

}  // namespace

std::string specialFileKind(const std::string& path, Links links) {
    struct stat st {};
    int found = links == Links::Refuse ? ::lstat(path.c_str(), &st) : ::stat(path.c_str(), &st);
    return found == 0 ? kindOf(st.st_mode) : "";
}

File::File(const std::string& path, Mode mode, Links links) : path_(path) {
    // Never wait in the open itself (a FIFO without a writer would hold it
    // for good, and with it a SIGINT's shutdown); what is opened is checked
    // below.
    int flags = O_CLOEXEC | O_NONBLOCK;
    if (links == Links::Refuse) flags |= O_NOFOLLOW;
    // A FIFO opened for writing without a reader fails with ENXIO, a link
    // with ELOOP: say what is there instead.
    if (std::string kind = specialFileKind(path, links); !kind.empty() && kind != "a directory")
        throw notRegular("open", path, kind);
    switch (mode) {
        case Mode::Read:
            flags |= O_RDONLY;
            break;
        case Mode::CreateTruncate:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case Mode::CreateNew:
            flags |= O_WRONLY | O_CREAT | O_EXCL;
            break;
        case Mode::Overwrite:
            flags |= O_WRONLY;
            break;
        case Mode::Append:
            flags |= O_WRONLY | O_CREAT | O_APPEND;
            break;
        case Mode::ReadWrite:
            flags |= O_RDWR;
            break;
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throw FileError("open", path, errno);
    // Swapped in between the look and the open.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw notRegular("open", path, kindOf(st.st_mode));
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t File::read(void* data, std::size_t limit) {
    auto* out = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < limit) {
        ssize_t n = ::read(fd_, out + done, limit - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError("read", path_, errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void File::write(const void* data, std::size_t count) {
    const auto* in = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError("write", path_, errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

std::int64_t File::length() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw FileError("stat", path_, errno);
    return static_cast<std::int64_t>(st.st_size);
}

void File::setLength(std::int64_t size) {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throw FileError("write", path_, errno);
}

void File::close() {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    int syncResult = ::fsync(fd);
    int syncErrno = errno;
    int closeResult = ::close(fd);
    int closeErrno = errno;
    // fsync is refused by pipes and some special files; only real write-back
    // failures count.
    if (syncResult != 0 && syncErrno != EINVAL && syncErrno != EROFS)
        throw FileError("write", path_, syncErrno);
    if (closeResult != 0 && closeErrno != EINTR) throw FileError("close", path_, closeErrno);
}

std::vector<std::uint8_t> readFile(const std::string& path, std::size_t limit) {
    File file(path, File::Mode::Read);
    std::int64_t length = file.length();
    std::size_t want = limit;
    if (length >= 0 && static_cast<std::uint64_t>(length) < want)
        want = static_cast<std::size_t>(length);
    std::vector<std::uint8_t> data(want);
    data.resize(file.read(data.data(), want));
    return data;
}

void writeFile(const std::string& path, const void* data, std::size_t count) {
    File file(path, File::Mode::CreateTruncate);
    file.write(data, count);
    file.close();
}

namespace {

// Symbolic links followed before a path counts as a loop (as the kernel does).
constexpr int kMostLinks = 40;

// The directory part of a path, with its trailing separator ("" for none).
std::string directoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}


// Writes over an existing file from its start and cuts it to the new length.
void writeInPlace(const std::string& path, const void* data, std::size_t count) {
    File file(path, File::Mode::Overwrite);
    file.write(data, count);
    file.setLength(static_cast<std::int64_t>(count));
    file.close();
}

// Makes a rename in `directory` last through a power cut; a file system
// that cannot sync a directory loses nothing but that.
void syncDirectory(const std::string& directory) {
    int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string followLinks(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < kMostLinks; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::vector<char> target(PATH_MAX);
        ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n < 0) throw FileError("open", path, errno);
        std::string link(target.data(), static_cast<std::size_t>(n));
        at = !link.empty() && link.front() == '/' ? link : directoryOf(at) + link;
    }
    throw FileError("open", path, ELOOP);
}

void writeFileAtomically(const std::string& path, const void* data, std::size_t count,
                         Links links) {
    if (links == Links::Refuse && specialFileKind(path, links) == "a symbolic link")
        throw notRegular("write", path, "a symbolic link");
    std::string target = followLinks(path);
    struct stat st {};
    bool existing = ::stat(target.c_str(), &st) == 0;
    if (existing) {
        if (!S_ISREG(st.st_mode)) throw notRegular("write", target, kindOf(st.st_mode));
        // The rename needs only the directory's permission: ask the file
        // itself, so that a read-only file stays as its owner made it.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            throw FileError("write", target, errno);
    }
    std::string temporary = target + kTemporarySuffix;
    ::unlink(temporary.c_str());  // left over from a crash
    File file;
    try {
        file = File(temporary, File::Mode::CreateNew);
    } catch (const FileError& e) {
        // A directory that takes no new file; the file itself may be written.
        if (existing && (e.cause() == EACCES || e.cause() == EPERM)) {
            writeInPlace(target, data, count);
            return;
        }
        throw;
    }
    try {
        if (existing) {
            ::chmod(temporary.c_str(), st.st_mode & 07777);
            // Only root may give a file away; anyone else keeps it as theirs.
            if (::chown(temporary.c_str(), st.st_uid, st.st_gid) != 0) {
            }
        }
        file.write(data, count);
        file.close();
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        int cause = errno;
        ::unlink(temporary.c_str());
        throw FileError("rename", target, cause);
    }
    syncDirectory(directoryOf(target));
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool makeDirectory(const std::string& path) {
    try {
        createDirectory(path);
    } catch (const FileError&) {
        return false;
    }
    return true;
}

void createDirectory(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (isDirectory(path)) return;
    // create_directories reports no error when the path is there as a file.
    throw FileError("create directory", path, ec ? ec.value() : ENOTDIR);
}

}  // namespace brimwick::platform
