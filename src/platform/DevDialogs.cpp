#include "platform/DevDialogs.h"

#include <atomic>

#include "platform/headless/HeadlessDevDialogs.h"
#include "platform/sdl/SdlDevDialogs.h"

namespace platform {

namespace {

std::atomic<DevDialogs*> gDevDialogs{nullptr};
std::atomic<DevDialogsMaker> gDevDialogsMaker{nullptr};

}  // namespace

std::optional<size_t> DevDialogs::ChooseFromList(std::string_view title,
                                                 const std::vector<std::string>& items) {
    const std::optional<size_t> choice = ShowList(title, items);
    if (!choice.has_value() || *choice >= items.size()) {
        return std::nullopt;
    }
    return choice;
}

std::optional<std::string> DevDialogs::AskText(std::string_view title, std::string_view initial) {
    return ShowTextEntry(title, initial);
}

DevDialogs& GetDevDialogs(BackendKind kind) {
    if (DevDialogs* dialogs = gDevDialogs.load()) {
        return *dialogs;
    }
    if (kind == BackendKind::Sdl) {
        static SdlDevDialogs sdl;
        return sdl;
    }
    static HeadlessDevDialogs headless;
    return headless;
}

void SetDevDialogs(DevDialogs* dialogs) {
    gDevDialogs.store(dialogs);
}

std::unique_ptr<DevDialogs> MakeDevDialogs(BackendKind kind) {
    if (const DevDialogsMaker maker = gDevDialogsMaker.load()) {
        if (std::unique_ptr<DevDialogs> dialogs = maker(kind)) {
            return dialogs;
        }
    }
    return MakeBackendDevDialogs(kind);
}

void SetDevDialogsMaker(DevDialogsMaker maker) {
    gDevDialogsMaker.store(maker);
}

std::unique_ptr<DevDialogs> MakeBackendDevDialogs(BackendKind kind) {
    if (kind == BackendKind::Sdl) {
        return std::make_unique<SdlDevDialogs>();
    }
    return std::make_unique<HeadlessDevDialogs>();
}

}  // namespace platform
