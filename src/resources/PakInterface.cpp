#include "resources/PakInterface.h"

namespace {

PakInterface gPakInterfaceObject;

}  // namespace

bool PakInterface::AddPakFile(const std::string& path) {
    (void)path;
    return false;
}

namespace Vesk {

PakInterface* gPakInterface = &gPakInterfaceObject;

}  // namespace Vesk
