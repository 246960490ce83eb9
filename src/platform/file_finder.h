// Enumerates the entries of one PC directory that match a wildcard pattern.
// The drives rely on the behaviour of a DOS-style file system: "*" and "?"
// wildcards, names compared without regard to case, entries delivered in
// case-insensitive name order, and "." and ".." never returned.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brimwick::platform {

// One entry that a search found.
struct FoundFile {
    std::string name;          // the entry's name as stored on the disk
    std::string path;          // directory + separator + name
    std::int64_t length = 0;   // size in bytes (0 for a directory)
    bool isDirectory = false;  // the entry is a directory
};

// True when `name` matches `pattern`: "*" matches any run of characters, "?"
// exactly one, letters regardless of case. A pattern ending in ".*" also
// matches names without a dot, as "*.*" matches every name on DOS.
bool wildcardMatch(std::string_view pattern, std::string_view name);

// Compares two names without regard to ASCII case (<0, 0, >0).
int compareNoCase(std::string_view a, std::string_view b);

// All entries of `directory` whose names match `pattern`, in case-insensitive
// name order. A directory that cannot be read gives no entries.
std::vector<FoundFile> findFiles(const std::string& directory, std::string_view pattern);

// A search in progress, delivering one match at a time.
class FileFinder {
  public:
    // Starts a search; `pathPattern` is a directory, a separator and a
    // wildcard pattern ("games/*.prg"). True when anything matched.
    bool start(const std::string& pathPattern);
    // Starts a search with the directory and the pattern given apart.
    bool start(const std::string& directory, std::string_view pattern);
    // The next match; false once every match has been delivered.
    bool next(FoundFile& out);
    // Ends the search and forgets its matches.
    void close();

  private:
    std::vector<FoundFile> matches_;  // every match, in delivery order
    std::size_t nextIndex_ = 0;       // index of the next match to deliver
};

}  // namespace brimwick::platform
