// Disk and memory implementations of the assembler's file access.
#include "asm/assembler_files.h"

#include <cstring>

#include "platform/file.h"
#include "platform/trace_log.h"

namespace brimwick::assembler {

namespace {

// Spare capacity of a read source, for the line the assembler appends.
constexpr std::size_t kReadReserve = 16;
// The listing is written in pieces of about this size.
constexpr std::size_t kListingChunk = 65536;

void logFailure(const platform::FileError& e) {
    platform::traceLog() << "\n assembler: " << e.operation() << " " << e.path()
                         << " failed, cause " << e.cause();
}

}  // namespace

DiskFiles::DiskFiles() = default;

DiskFiles::~DiskFiles() {
    closeListing();
}

bool DiskFiles::readSource(const std::string& path, SourceText& bytes, std::string& failure) {
    try {
        platform::File file(path, platform::File::Mode::Read);
        const auto length = static_cast<std::size_t>(file.length());
        bytes.clear();
        bytes.reserve(length + kReadReserve);
        bytes.resize(length);
        bytes.resize(file.read(bytes.data(), length));
        return true;
    } catch (const platform::FileError& e) {
        logFailure(e);
        failure = std::strerror(e.cause());
        bytes.clear();
        return false;
    }
}

bool DiskFiles::openListing(const std::string& path) {
    closeListing();
    try {
        listing_ = std::make_unique<platform::File>(path, platform::File::Mode::CreateTruncate);
        return true;
    } catch (const platform::FileError& e) {
        logFailure(e);  // the run goes on; its messages are lost
        return false;
    }
}

void DiskFiles::writeListing(std::string_view text) {
    if (!listing_) return;
    pending_.append(text);
    if (pending_.size() >= kListingChunk) flushListing();
}

void DiskFiles::flushListing() {
    if (!listing_) return;
    try {
        listing_->write(pending_.data(), pending_.size());
    } catch (const platform::FileError& e) {
        logFailure(e);
        listing_.reset();
    }
    pending_.clear();
}

void DiskFiles::closeListing() {
    if (!listing_) return;
    flushListing();
    listing_.reset();
}

bool DiskFiles::writeObject(const std::string& path, std::span<const std::uint8_t> bytes) {
    try {
        platform::File file(path, platform::File::Mode::CreateTruncate);
        file.write(bytes.data(), bytes.size());
        // Closed by the destructor: write() already reports a full disk, and
        // forcing every object file to the disk would slow a run tenfold.
        return true;
    } catch (const platform::FileError& e) {
        logFailure(e);
        return false;
    }
}

void MemoryFiles::addSource(const std::string& path, std::string_view text) {
    sources_[path] = std::string(text);
}

bool MemoryFiles::readSource(const std::string& path, SourceText& bytes, std::string& failure) {
    auto it = sources_.find(path);
    if (it == sources_.end()) {
        failure = "No such file or directory";
        return false;
    }
    bytes.assign(it->second.begin(), it->second.end());
    return true;
}

bool MemoryFiles::openListing(const std::string& path) {
    listingPath_ = path;
    listingOpen_ = true;
    written_[path].clear();
    return true;
}

void MemoryFiles::writeListing(std::string_view text) {
    if (!listingOpen_) return;
    std::string& listing = written_[listingPath_];
    if (listing.size() >= listingLimit_) return;
    listing.append(text.substr(0, listingLimit_ - listing.size()));
}

void MemoryFiles::closeListing() {
    listingOpen_ = false;
}

bool MemoryFiles::writeObject(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (!failingPath_.empty() && path == failingPath_) return false;
    written_[path].assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace brimwick::assembler
