// xdg-open through fork and exec: the path goes to the program as one
// argument, never through a shell. The intermediate child exits at once, so
// the started application is not our child and leaves no zombie behind.
#include "asm/desktop_open.h"

#include <sys/wait.h>
#include <unistd.h>

namespace brimwick::assembler {

bool openWithDesktop(const std::string& path) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace brimwick::assembler
