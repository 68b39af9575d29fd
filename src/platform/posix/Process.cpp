#include "platform/Process.h"

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace platform {

namespace {

std::string WithSlash(std::string path) {
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    return path;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        return pw->pw_dir;
    }
    return "/tmp";
}

std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    // The XDG rules ignore relative paths.
    if (value && value[0] == '/') {
        return WithSlash(value);
    }
    return WithSlash(HomeFolder() + "/" + fallbackBelowHome);
}

std::mutex& ExitMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<void(int)>& ExitHandler() {
    static std::function<void(int)> handler;
    return handler;
}

}  // namespace

std::string ProgramPath() {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(n));
        }
        if (buffer.size() >= (1u << 16)) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string DataHomeFolder() {
    return XdgFolder("XDG_DATA_HOME", ".local/share");
}

std::string ConfigHomeFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string RuntimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value && value[0] == '/') {
        return WithSlash(value);
    }
    return "/tmp/";
}

uint32_t ProcessId() {
    return static_cast<uint32_t>(getpid());
}

bool ProcessRuns(uint32_t pid) {
    // Signal 0 only asks; kill(0) and kill(-1) would mean groups of processes.
    if (pid == 0 || pid > static_cast<uint32_t>(INT_MAX)) {
        return false;
    }
    // EPERM is a process of another user: it runs.
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

void ExitProcess(int code) {
    std::function<void(int)> handler;
    {
        std::lock_guard lock(ExitMutex());
        handler = ExitHandler();
    }
    if (handler) {
        handler(code);
    }
    std::exit(code);
}

void SetExitHandler(std::function<void(int)> handler) {
    std::lock_guard lock(ExitMutex());
    ExitHandler() = std::move(handler);
}

}  // namespace platform
