#pragma once
// An X server of the test's own, for tests that take what a shared display may not lose (the
// root window's redirect, the input focus). DISPLAY names it while it runs.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace platform {

class PrivateXServer {
public:
    // False when no Xvfb could be started.
    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        mPid = fork();
        if (mPid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                   "320x240x24", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it takes connections.
        std::string number;
        char c = 0;
        while (mPid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            return false;
        }
        setenv("DISPLAY", (":" + number).c_str(), 1);
        return true;
    }

    ~PrivateXServer() {
        if (mPid > 0) {
            kill(mPid, SIGTERM);
            waitpid(mPid, nullptr, 0);
        }
    }

private:
    pid_t mPid = -1;
};

}  // namespace platform
