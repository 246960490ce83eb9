// Outputs written whole or not at all, through the standard library's files:
// a close that fails (the data could not be written back) is a failure like a
// write that fails.
#include "asm/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/file.h"

namespace brimwick::assembler {

namespace fs = std::filesystem;

OutputFile::~OutputFile() {
    abandon();
}

bool OutputFile::open(const std::string& path) {
    abandon();
    failure_.clear();
    try {
        target_ = platform::followLinks(path);
    } catch (const platform::FileError& e) {
        failure_ = e.reason();
        return false;
    }
    std::error_code ec;
    const fs::file_status status = fs::status(target_, ec);
    const bool inPlace = fs::exists(status) && !fs::is_regular_file(status);
    temporary_ = inPlace ? std::string() : target_ + platform::kTemporarySuffix;
    file_.reset(std::fopen(inPlace ? target_.c_str() : temporary_.c_str(), "wb"));
    if (!file_) {
        fail();
        temporary_.clear();  // nothing was made that needs removing
        return false;
    }
    // A replaced file keeps its permissions (a read-only object file stays so).
    if (!inPlace && fs::exists(status))
        fs::permissions(temporary_, status.permissions(), fs::perm_options::replace, ec);
    return true;
}

bool OutputFile::write(const void* data, std::size_t count) {
    if (!file_) return false;
    if (count > 0 && std::fwrite(data, 1, count, file_.get()) != count) {
        fail();
        abandon();
        return false;
    }
    return true;
}

bool OutputFile::commit() {
    if (!file_) return false;
    const bool flushed = std::fflush(file_.get()) == 0;
    if (!flushed) fail();
    const bool closed = std::fclose(file_.release()) == 0;
    if (flushed && !closed) fail();
    if (!flushed || !closed) {
        abandon();
        return false;
    }
    if (!temporary_.empty()) {
        if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
            fail();
            abandon();
            return false;
        }
        temporary_.clear();
    }
    return true;
}

void OutputFile::fail() {
    if (failure_.empty()) failure_ = std::strerror(errno);
}

void OutputFile::abandon() {
    file_.reset();
    if (!temporary_.empty()) {
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace brimwick::assembler
