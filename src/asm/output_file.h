// One output of the assembler (the listing, an object file, the label file),
// written whole or not at all: the bytes go to a temporary file beside the
// target, which takes the target's place only once every byte is written and
// the file is closed without error. A symbolic link is followed, so the file
// it points to is replaced and the link stays. A target that is no regular
// file (a terminal, /dev/null) is written in place.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace brimwick::assembler {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // a file that was not committed is abandoned
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts writing `path`; false when it cannot be created (see failure()).
    bool open(const std::string& path);
    // Appends bytes; false once anything has failed.
    bool write(const void* data, std::size_t count);
    // Closes the file and puts it in the target's place; false when any step
    // failed, including one that only shows at the close (a full disk).
    bool commit();
    // The system's reason for the first failure, or empty.
    const std::string& failure() const { return failure_; }

  private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    void fail();
    void abandon();

    std::unique_ptr<std::FILE, Closer> file_;  // the open file, or null
    std::string target_;                       // the file that is written (a link's target)
    std::string temporary_;                    // where the bytes go first; empty when in place
    std::string failure_;                      // reason of the first failure
};


}  // namespace brimwick::assembler
