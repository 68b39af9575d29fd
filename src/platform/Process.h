#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Full path of the running executable.
std::string ProgramPath();
// Per-user data folder (XDG data home), ending with '/'.
std::string DataHomeFolder();
// Per-user configuration folder (XDG config home), ending with '/'.
std::string ConfigHomeFolder();
// Per-user runtime folder for locks and sockets, ending with '/'.
std::string RuntimeFolder();
uint32_t ProcessId();
// True while a process has the id, of any user, a zombie included; false for 0 and for ids no
// process can have.
bool ProcessRuns(uint32_t pid);

// Ends the process. An installed exit handler runs first; tests install one that throws so
// a fatal path can be observed without losing the test process.
[[noreturn]] void ExitProcess(int code);
void SetExitHandler(std::function<void(int)> handler);

}  // namespace platform
