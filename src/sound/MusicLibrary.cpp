#include "sound/MusicLibrary.h"

#include "platform/Debug.h"
#include "platform/Process.h"

namespace Vesk {

void MusicLibraryFatal(const std::function<void(const std::string&)>& showError,
                       const std::string& text) {
    if (showError) {
        showError(text);
    } else {
        platform::DebugOutput("Error: " + text + "\n");
    }
    platform::ExitProcess(1);
}

}  // namespace Vesk
