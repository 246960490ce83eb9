// A scratch directory for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace brimwick::testing {

class TempDir {
  public:
    TempDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "brimwick-XXXXXX").string();
        std::vector<char> buffer(templ.begin(), templ.end());
        buffer.push_back('\0');
        path_ = ::mkdtemp(buffer.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory, without a trailing separator.
    const std::string& path() const { return path_; }
    // A path inside the directory.
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes a file inside the directory and returns its path.
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(file(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return file(name);
    }
    std::string write(const std::string& name, const std::string& text) const {
        return write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    // Reads a whole file.
    static std::vector<std::uint8_t> read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::string path_;  // absolute path of the scratch directory
};

}  // namespace brimwick::testing
