#pragma once

#include <exception>
#include <string>

namespace Vesk {

// Thrown by the resource lookups; carries the manager's error text at the time.
class ResourceManagerException : public std::exception {
public:
    explicit ResourceManagerException(std::string what) : mWhat(std::move(what)) {}

    const char* what() const noexcept override { return mWhat.c_str(); }

    std::string mWhat;
};

}  // namespace Vesk
