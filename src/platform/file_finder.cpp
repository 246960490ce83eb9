// Directory enumeration with DOS-style wildcards over POSIX readdir.
#include "platform/file_finder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/paths.h"

namespace brimwick::platform {

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Iterative matcher with one backtracking point for the last "*": linear in
// practice and never recursive, so hostile patterns cannot blow the stack.
bool matchPlain(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

}  // namespace

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    if (matchPlain(pattern, name)) return true;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos) {
        return matchPlain(pattern.substr(0, pattern.size() - 2), name);
    }
    return false;
}

int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char x = lowerAscii(a[i]), y = lowerAscii(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::vector<FoundFile> findFiles(const std::string& directory, std::string_view pattern) {
    std::vector<FoundFile> found;
    std::string dir = directory.empty() ? std::string(".") : directory;
    std::unique_ptr<DIR, DirCloser> handle(::opendir(dir.c_str()));
    if (!handle) return found;
    std::string prefix = dir;
    if (prefix.back() != kPathSeparator) prefix += kPathSeparator;
    while (dirent* entry = ::readdir(handle.get())) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        if (!wildcardMatch(pattern, name)) continue;
        FoundFile file;
        file.name = std::string(name);
        file.path = prefix + file.name;
        struct stat st {};
        if (::stat(file.path.c_str(), &st) == 0) {
            file.isDirectory = S_ISDIR(st.st_mode);
            file.length = file.isDirectory ? 0 : static_cast<std::int64_t>(st.st_size);
        }
        found.push_back(std::move(file));
    }
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) {
        int c = compareNoCase(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return found;
}

bool FileFinder::start(const std::string& pathPattern) {
    std::size_t cut = pathPattern.rfind(kPathSeparator);
    if (cut == std::string::npos) return start(std::string("."), pathPattern);
    return start(pathPattern.substr(0, cut + 1), std::string_view(pathPattern).substr(cut + 1));
}

bool FileFinder::start(const std::string& directory, std::string_view pattern) {
    matches_ = findFiles(directory, pattern);
    nextIndex_ = 0;
    return !matches_.empty();
}

bool FileFinder::next(FoundFile& out) {
    if (nextIndex_ >= matches_.size()) return false;
    out = matches_[nextIndex_++];
    return true;
}

void FileFinder::close() {
    matches_.clear();
    nextIndex_ = 0;
}

}  // namespace brimwick::platform
