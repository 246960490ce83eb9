// Disk and memory implementations of the assembler's file access.
#include "asm/assembler_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace brimwick::assembler {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Spare capacity of a read source, for the line the assembler appends.
constexpr std::size_t kReadReserve = 16;

}  // namespace

DiskFiles::~DiskFiles() {
    closeListing();
}

bool DiskFiles::readSource(const std::string& path, std::vector<std::uint8_t>& bytes,
                           std::string& failure) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        failure = std::strerror(errno);
        return false;
    }
    bytes.clear();
    // Read in one piece when the length is known; room is left for the
    // assembler's appended last line.
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long length = std::ftell(file.get());
        std::rewind(file.get());
        if (length > 0) {
            bytes.reserve(static_cast<std::size_t>(length) + kReadReserve);
            bytes.resize(static_cast<std::size_t>(length));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
        }
    }
    std::uint8_t chunk[65536];
    for (;;) {
        std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) break;
    }
    if (std::ferror(file.get())) {
        failure = std::strerror(errno);
        return false;
    }
    return true;
}

bool DiskFiles::openListing(const std::string& path) {
    closeListing();
    listing_ = std::fopen(path.c_str(), "wb");
    return listing_ != nullptr;
}

void DiskFiles::writeListing(std::string_view text) {
    if (listing_ != nullptr) std::fwrite(text.data(), 1, text.size(), listing_);
}

void DiskFiles::closeListing() {
    if (listing_ != nullptr) std::fclose(listing_);
    listing_ = nullptr;
}

bool DiskFiles::writeObject(const std::string& path, std::span<const std::uint8_t> bytes) {
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && ok;
}

void MemoryFiles::addSource(const std::string& path, std::string_view text) {
    sources_[path] = std::string(text);
}

bool MemoryFiles::readSource(const std::string& path, std::vector<std::uint8_t>& bytes,
                             std::string& failure) {
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
