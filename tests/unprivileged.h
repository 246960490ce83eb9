// Checks that depend on file permissions. Root may write any file, so under
// root such a check runs in a child process that has given up root's
// privileges for those of "nobody"; otherwise it runs in a child all the same,
// as the user running the tests. The check reports back a text: what it saw.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace brimwick::testing {

class Unprivileged {
  public:
    // The unprivileged user's ids under root.
    static constexpr uid_t kNobody = 65534;
    static constexpr gid_t kNoGroup = 65534;

    bool asRoot() const { return ::geteuid() == 0; }

    // Gives a file or directory to the user the checks run as.
    void own(const std::string& path) const {
        if (asRoot() && ::chown(path.c_str(), kNobody, kNoGroup) != 0) {
        }
    }

    // Runs `check` in a child process as that user. The result is the text
    // the check returned, or nothing when the child could not give up root's
    // privileges.
    std::optional<std::string> run(const std::function<std::string()>& check) const {
        int fds[2];
        if (::pipe(fds) != 0) return std::string("no pipe");
        pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            if (asRoot() &&
                (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0))
                ::_exit(kCannotDrop);
            std::string failure;
            try {
                failure = check();
            } catch (const std::exception& e) {
                failure = std::string("exception: ") + e.what();
            } catch (...) {
                failure = "exception";
            }
            std::size_t done = 0;
            while (done < failure.size()) {
                ssize_t n = ::write(fds[1], failure.data() + done, failure.size() - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        std::string failure;
        char buffer[256];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            failure.append(buffer, static_cast<std::size_t>(n));
        ::close(fds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDrop) return std::nullopt;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return failure + " (child died)";
        return failure;
    }

  private:
    static constexpr int kCannotDrop = 77;  // the child's exit status when setuid failed
};

// A directory "d" in a scratch directory of its own, holding the file
// "d/disk.d64" (unless its mode is 0), both given to the user the checks run
// as and set to the permission bits a check needs.
class PermissionScene {
  public:
    PermissionScene(const Unprivileged& user, const std::vector<std::uint8_t>& content,
                    int fileMode, int directoryMode)
        : directory(base.file("d")), file(directory + "/disk.d64") {
        ::chmod(base.path().c_str(), 0755);
        std::filesystem::create_directory(directory);
        if (fileMode != 0) {
            base.write("d/disk.d64", content);
            user.own(file);
            ::chmod(file.c_str(), static_cast<mode_t>(fileMode));
        }
        user.own(directory);
        ::chmod(directory.c_str(), static_cast<mode_t>(directoryMode));
    }
    // The directory takes files again, so that it can be removed.
    ~PermissionScene() { ::chmod(directory.c_str(), 0755); }
    PermissionScene(const PermissionScene&) = delete;
    PermissionScene& operator=(const PermissionScene&) = delete;

    TempDir base;           // the scratch directory
    std::string directory;  // base/d
    std::string file;       // base/d/disk.d64
};

}  // namespace brimwick::testing
