// Every file the assembler touches goes through this interface: reading the
// source, writing the listing and writing the object and label files. The
// disk version is what the tools use; the memory version keeps everything in
// a map, for tests and for fuzzing, where a source must not write files
// anywhere.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "asm/large_allocator.h"

namespace brimwick::assembler {

class OutputFile;

// The bytes of a source file, as the assembler reads them.
using SourceText = std::vector<std::uint8_t, LargeAllocator<std::uint8_t>>;

enum class SourceRead {
    Read,        // the whole file is in the buffer
    Unreadable,  // it could not be opened or read
    TooLarge,    // it is larger than the limit; nothing was read
};

class AssemblerFiles {
  public:
    virtual ~AssemblerFiles() = default;
    // Reads a whole file of at most `limit` bytes. On failure `failure` says
    // why (the system's reason, or the file's size when it is too large).
    virtual SourceRead readSource(const std::string& path, std::size_t limit, SourceText& bytes,
                                  std::string& failure) = 0;
    // True when writing `output` would replace the file `input`: the same
    // path, or the same file reached through a link.
    virtual bool sameFile(const std::string& output, const std::string& input) = 0;
    // Starts the listing; it replaces the file at `path` only when it is closed.
    virtual void openListing(const std::string& path) = 0;
    // Appends text to the listing being written.
    virtual void writeListing(std::string_view text) = 0;
    // Finishes the listing; false (and why) when any of it could not be written.
    virtual bool closeListing(std::string& failure) = 0;
    // Writes a whole output file (object file, label file), replacing what was
    // there; false (and why) when it could not be written.
    virtual bool writeOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                             std::string& failure) = 0;
};

// Files on disk. Outputs are written whole or not at all (OutputFile).
class DiskFiles : public AssemblerFiles {
  public:
    DiskFiles();
    ~DiskFiles() override;
    DiskFiles(const DiskFiles&) = delete;
    DiskFiles& operator=(const DiskFiles&) = delete;

    SourceRead readSource(const std::string& path, std::size_t limit, SourceText& bytes,
                          std::string& failure) override;
    bool sameFile(const std::string& output, const std::string& input) override;
    void openListing(const std::string& path) override;
    void writeListing(std::string_view text) override;
    bool closeListing(std::string& failure) override;
    bool writeOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& failure) override;

  private:
    std::unique_ptr<OutputFile> listing_;  // the listing being written, or null
};

// Files kept in memory: sources are given beforehand, outputs are collected.
class MemoryFiles : public AssemblerFiles {
  public:
    // Makes `text` readable as the source `path`.
    void addSource(const std::string& path, std::string_view text);
    // The listing and output files written, by path.
    const std::map<std::string, std::string>& written() const { return written_; }
    // A path whose output cannot be written, and the reason given (tests).
    void failWritesTo(const std::string& path, std::string reason = "Input/output error") {
        failingPath_ = path;
        failingReason_ = std::move(reason);
    }
    // When set, writeListing keeps at most this many bytes (fuzzing).
    void limitListing(std::size_t bytes) { listingLimit_ = bytes; }

    SourceRead readSource(const std::string& path, std::size_t limit, SourceText& bytes,
                          std::string& failure) override;
    bool sameFile(const std::string& output, const std::string& input) override;
    void openListing(const std::string& path) override;
    void writeListing(std::string_view text) override;
    bool closeListing(std::string& failure) override;
    bool writeOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                     std::string& failure) override;

  private:
    std::map<std::string, std::string> sources_;               // readable sources by path
    std::map<std::string, std::string> written_;               // outputs by path
    std::string listingPath_;                                  // path of the open listing
    std::string listing_;                                      // the listing being written
    bool listingOpen_ = false;                                 // a listing is being written
    std::string failingPath_;                                  // output path that fails to write
    std::string failingReason_;                                // and the reason it gives
    std::size_t listingLimit_ = static_cast<std::size_t>(-1);  // cap on the listing size
};

}  // namespace brimwick::assembler
