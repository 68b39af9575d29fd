#pragma once

#include <functional>
#include <memory>

#include "platform/Backend.h"

namespace Vesk {

class VeskAppBase;

using AppFactory = std::function<std::unique_ptr<VeskAppBase>(platform::BackendKind)>;

// What an entry function does: starts the process's globals, takes "--backend=" off the
// command line (else the environment picks the backend), makes that backend's crash and
// developer windows and window system, then builds the application with `make` and runs it
// to its end. Returns the process's exit code.
int RunApplication(int argc, char** argv, const AppFactory& make);

}  // namespace Vesk
