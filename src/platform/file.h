// Files on the PC's file system, behind RAII. Every failure throws FileError
// carrying the errno cause number; callers write it to the trace log and, where
// a person must know, tell them the file and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brimwick::platform {

// A failed file operation: which operation, on which path, and why (errno,
// or a text of our own where no errno says it: "it is a FIFO, not a regular
// file").
class FileError {
  public:
    FileError(std::string operation, std::string path, int cause, std::string reason = "")
        : operation_(std::move(operation)),
          path_(std::move(path)),
          cause_(cause),
          reason_(std::move(reason)) {}

    const std::string& operation() const { return operation_; }  // "open", "read", "write", ...
    const std::string& path() const { return path_; }            // the file's path
    int cause() const { return cause_; }                         // errno at the failure
    std::string message() const;                                 // "write PATH: TEXT"
    std::string reason() const;                                  // the system's TEXT for the cause

  private:
    std::string operation_;  // what was being done
    std::string path_;       // the file it was done to
    int cause_;              // errno value
    std::string reason_;     // our own text for the cause, "" for the system's
};

// Whether a symbolic link at the path itself is followed. A file the person
// named is read and written through links to its target; a file of the
// program's own (the trace log, ADD.d64, the RAM dump) is refused when a
// link takes its place, so that nobody can make it write elsewhere.
enum class Links { Follow, Refuse };

// What the path names when that is no regular file ("a FIFO", "a device",
// "a socket", "a directory", or "a symbolic link" when links are refused);
// "" for a regular file or nothing there.
std::string specialFileKind(const std::string& path, Links links = Links::Follow);

// One open file. Moves, never copies; the destructor closes quietly, while
// close() reports a late write failure (a full disk shows up there). Only
// regular files are opened: a FIFO, a device or a socket is refused (a FIFO
// would block the open for good), and the open itself never waits.
class File {
  public:
    enum class Mode {
        Read,            // existing file, read only
        CreateTruncate,  // created or emptied, write only
        CreateNew,       // created, write only; fails when the name exists
        Append,          // created when missing, writes go to the end
        ReadWrite,       // existing file, read and write
        Overwrite,       // existing file, write only, from its start
    };

    File() = default;
    File(const std::string& path, Mode mode, Links links = Links::Follow);
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Reads up to `limit` bytes (fewer only at the end of the file).
    std::size_t read(void* data, std::size_t limit);
    // Writes all `count` bytes or throws.
    void write(const void* data, std::size_t count);
    // Length of the file in bytes.
    std::int64_t length() const;
    // Cuts (or extends) the file to `size` bytes.
    void setLength(std::int64_t size);
    // Flushes to the disk and closes; throws when the data could not be written.
    void close();

  private:
    int fd_ = -1;       // POSIX descriptor, -1 when closed
    std::string path_;  // path as opened, for error messages
};

// Reads at most `limit` bytes of a file.
std::vector<std::uint8_t> readFile(const std::string& path, std::size_t limit);

// Writes a whole file, replacing what was there.
void writeFile(const std::string& path, const void* data, std::size_t count);

// Writes a whole file so that a crash or a full disk never leaves it torn:
// the data go to a temporary file beside it, which is then renamed over it,
// keeping the old file's permissions. The file is written where it lives: a
// symbolic link is followed to its target and stays a link. A file that the
// user may not write is left alone (the write fails, EACCES), also though the
// rename alone would be allowed. A writable file in a directory that takes
// no temporary file is written in place instead.
// A place held by a FIFO, a device or a socket is refused, and with
// Links::Refuse a symbolic link too.
void writeFileAtomically(const std::string& path, const void* data, std::size_t count,
                         Links links = Links::Follow);

// The file that a path finally names: symbolic links (and chains of them)
// are followed, also one that points at a file not there yet. Throws
// FileError for a link loop or an unreadable link.
std::string followLinks(const std::string& path);

// The suffix of the temporary file that writeFileAtomically makes beside a file.
inline constexpr const char* kTemporarySuffix = ".brimwick-new";

// True when the path names an existing directory.
bool isDirectory(const std::string& path);
// True when the path names an existing file or directory.
bool exists(const std::string& path);
// Creates a directory (and its missing parents); true when it exists afterwards.
bool makeDirectory(const std::string& path);
// The same, throwing FileError with the reason when it does not.
void createDirectory(const std::string& path);

}  // namespace brimwick::platform
