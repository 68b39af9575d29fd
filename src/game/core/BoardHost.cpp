#include "game/core/BoardHost.h"

#include "platform/FileSystem.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

bool BoardHost::WritePlayerFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (platform::fs::WriteWholeFileAtomic(path, bytes.data(), bytes.size())) {
        return true;
    }
    LogError("Cannot write \"" + path + "\"; the file stays as it was.");
    TellCannotSave();
    return false;
}

void BoardHost::LeaveFileAlone(const std::string& path, const std::string& reason) {
    LogError("\"" + path + "\" cannot be used (" + reason + "); it is left as it is.");
}

void BoardHost::ShowScreen(Widget& screen, WidgetManager& manager) {
    manager.AddWidget(&screen);
    manager.SetFocus(&screen);
}

}  // namespace Vesk
