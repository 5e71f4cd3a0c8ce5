#include "tests/support/HolderProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ostrel::test {

HolderProcess::HolderProcess(const std::string& path, Hold how) {
    if (how == Hold::Run) {
        // The exec closes the close-on-exec pipe: end of file there means the program runs.
        int started[2];
        if (pipe2(started, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = fork();
        if (m_pid == 0) {
            close(started[0]);
            execl(path.c_str(), path.c_str(), "600", static_cast<char*>(nullptr));
            (void)!write(started[1], "x", 1);
            _exit(127);
        }
        close(started[1]);
        char c;
        m_holding = m_pid > 0 && read(started[0], &c, 1) == 0;
        m_running = m_pid > 0;
        close(started[0]);
        return;
    }
    int ready[2];
    int release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) {
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        close(ready[0]);
        close(release[1]);
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW);
        char ok = fd >= 0 && (how == Hold::Open || flock(fd, LOCK_EX | LOCK_NB) == 0) ? 1 : 0;
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(release[0], &c, 1);  // returns when the parent closes its end
        _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    m_release = release[1];
    char ok = 0;
    m_holding = m_pid > 0 && read(ready[0], &ok, 1) == 1 && ok == 1;
    close(ready[0]);
}

HolderProcess::~HolderProcess() {
    if (m_release >= 0) {
        close(m_release);
    }
    if (m_running) {
        kill(m_pid, SIGKILL);
    }
    if (m_pid > 0) {
        waitpid(m_pid, nullptr, 0);
    }
}

}  // namespace ostrel::test
