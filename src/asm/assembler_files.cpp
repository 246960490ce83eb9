// Disk and memory implementations of the assembler's file access.
#include "asm/assembler_files.h"

#include <cstring>
#include <filesystem>

#include "asm/output_file.h"
#include "platform/file.h"
#include "platform/trace_log.h"

namespace brimwick::assembler {

namespace {

// Spare capacity of a read source, for the line the assembler appends.
constexpr std::size_t kReadReserve = 16;

void logFailure(std::string_view what, const std::string& path, std::string_view reason) {
    platform::traceLog() << "\n assembler: " << what << " " << path << " failed: " << reason;
}

}  // namespace

DiskFiles::DiskFiles() = default;

DiskFiles::~DiskFiles() = default;

SourceRead DiskFiles::readSource(const std::string& path, std::size_t limit, SourceText& bytes,
                                 std::string& failure) {
    bytes.clear();
    try {
        platform::File file(path, platform::File::Mode::Read);
        const auto length = static_cast<std::size_t>(file.length());
        if (length > limit) {
            failure = std::to_string(length) + " bytes";
            return SourceRead::TooLarge;
        }
        bytes.reserve(length + kReadReserve);
        bytes.resize(length);
        bytes.resize(file.read(bytes.data(), length));
        return SourceRead::Read;
    } catch (const platform::FileError& e) {
        failure = e.reason();
        logFailure(e.operation(), e.path(), failure);
        bytes.clear();
        return SourceRead::Unreadable;
    }
}

bool DiskFiles::sameFile(const std::string& output, const std::string& input) {
    // The same file whatever the names: one path, a symbolic link, a hard
    // link. An output that does not exist yet is no input.
    std::error_code ec;
    return std::filesystem::equivalent(output, input, ec) && !ec;
}

void DiskFiles::openListing(const std::string& path) {
    listing_ = std::make_unique<OutputFile>();
    listing_->open(path);  // a failure shows when the listing is closed
}

void DiskFiles::writeListing(std::string_view text) {
    if (listing_) listing_->write(text.data(), text.size());
}

bool DiskFiles::closeListing(std::string& failure) {
    if (!listing_) return true;
    const bool written = listing_->commit();
    if (!written) failure = listing_->failure();
    listing_.reset();
    return written;
}

bool DiskFiles::writeOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                            std::string& failure) {
    OutputFile file;
    if (file.open(path) && file.write(bytes.data(), bytes.size()) && file.commit()) return true;
    failure = file.failure();
    logFailure("write", path, failure);
    return false;
}

void MemoryFiles::addSource(const std::string& path, std::string_view text) {
    sources_[path] = std::string(text);
}

SourceRead MemoryFiles::readSource(const std::string& path, std::size_t limit, SourceText& bytes,
                                   std::string& failure) {
    auto it = sources_.find(path);
    if (it == sources_.end()) {
        failure = "No such file or directory";
        return SourceRead::Unreadable;
    }
    if (it->second.size() > limit) {
        failure = std::to_string(it->second.size()) + " bytes";
        return SourceRead::TooLarge;
    }
    bytes.assign(it->second.begin(), it->second.end());
    return SourceRead::Read;
}

bool MemoryFiles::sameFile(const std::string& output, const std::string& input) {
    return output == input;
}

void MemoryFiles::openListing(const std::string& path) {
    listingPath_ = path;
    listing_.clear();
    listingOpen_ = true;
}

void MemoryFiles::writeListing(std::string_view text) {
    if (!listingOpen_ || listing_.size() >= listingLimit_) return;
    listing_.append(text.substr(0, listingLimit_ - listing_.size()));
}

bool MemoryFiles::closeListing(std::string& failure) {
    if (!listingOpen_) return true;
    listingOpen_ = false;
    if (listingPath_ == failingPath_) {
        failure = failingReason_;
        return false;
    }
    written_[listingPath_] = std::move(listing_);
    listing_.clear();
    return true;
}

bool MemoryFiles::writeOutput(const std::string& path, std::span<const std::uint8_t> bytes,
                              std::string& failure) {
    if (path == failingPath_) {
        failure = failingReason_;
        return false;
    }
    written_[path].assign(bytes.begin(), bytes.end());
    return true;
}

}  // namespace brimwick::assembler
