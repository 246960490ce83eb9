// Every file the assembler touches goes through this interface: reading the
// source, writing the listing and writing the object files. The disk version
// is what the tools use; the memory version keeps everything in a map, for
// tests and for fuzzing, where a source must not write files anywhere.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "asm/large_allocator.h"

namespace brimwick::platform {
class File;
}

namespace brimwick::assembler {

// The bytes of a source file, as the assembler reads them.
using SourceText = std::vector<std::uint8_t, LargeAllocator<std::uint8_t>>;

class AssemblerFiles {
  public:
    virtual ~AssemblerFiles() = default;
    // Reads a whole file; on failure returns false and describes the cause.
    virtual bool readSource(const std::string& path, SourceText& bytes, std::string& failure) = 0;
    // Creates (or replaces) the listing; false when it cannot be created.
    virtual bool openListing(const std::string& path) = 0;
    // Appends text to the open listing; does nothing when none is open.
    virtual void writeListing(std::string_view text) = 0;
    virtual void closeListing() = 0;
    // Creates (or replaces) an object file with these bytes; false on failure.
    virtual bool writeObject(const std::string& path, std::span<const std::uint8_t> bytes) = 0;
};

// Files on disk, through the platform's file calls. Failures are written to
// the trace log with their cause number.
class DiskFiles : public AssemblerFiles {
  public:
    DiskFiles();
    ~DiskFiles() override;
    DiskFiles(const DiskFiles&) = delete;
    DiskFiles& operator=(const DiskFiles&) = delete;

    bool readSource(const std::string& path, SourceText& bytes, std::string& failure) override;
    bool openListing(const std::string& path) override;
    void writeListing(std::string_view text) override;
    void closeListing() override;
    bool writeObject(const std::string& path, std::span<const std::uint8_t> bytes) override;

  private:
    void flushListing();

    std::unique_ptr<platform::File> listing_;  // the open listing, or null
    std::string pending_;                      // listing text not yet written
};

// Files kept in memory: sources are given beforehand, outputs are collected.
class MemoryFiles : public AssemblerFiles {
  public:
    // Makes `text` readable as the source `path`.
    void addSource(const std::string& path, std::string_view text);
    // The listing and object files written, by path.
    const std::map<std::string, std::string>& written() const { return written_; }
    // A path whose object file cannot be written (to test the failure).
    void failWritesTo(const std::string& path) { failingPath_ = path; }
    // When set, writeListing keeps at most this many bytes (fuzzing).
    void limitListing(std::size_t bytes) { listingLimit_ = bytes; }

    bool readSource(const std::string& path, SourceText& bytes, std::string& failure) override;
    bool openListing(const std::string& path) override;
    void writeListing(std::string_view text) override;
    void closeListing() override;
    bool writeObject(const std::string& path, std::span<const std::uint8_t> bytes) override;

  private:
    std::map<std::string, std::string> sources_;               // readable sources by path
    std::map<std::string, std::string> written_;               // outputs by path
    std::string listingPath_;                                  // path of the open listing
    bool listingOpen_ = false;                                 // a listing is being written
    std::string failingPath_;                                  // object path that fails to write
    std::size_t listingLimit_ = static_cast<std::size_t>(-1);  // cap on the listing size
};

}  // namespace brimwick::assembler
