#pragma once

#include <sys/types.h>

#include <cstddef>

namespace platform::fs {

// The read(2) that ReadFile calls. Tests put in the answers of another kind of file system,
// such as one that honours O_NONBLOCK on regular files.
using ReadCall = ssize_t (*)(int fd, void* buffer, size_t size);
extern ReadCall gReadCall;

}  // namespace platform::fs
