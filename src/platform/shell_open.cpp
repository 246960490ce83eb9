// Desktop opener through xdg-open, started as a detached grandchild so that
// no zombie is left behind and the caller never waits on the editor.
#include "platform/shell_open.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace brimwick::platform {

bool openDocument(const std::string& path) {
    pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        const char* argv[] = {"xdg-open", path.c_str(), nullptr};
        ::execvp(argv[0], const_cast<char* const*>(argv));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace brimwick::platform
