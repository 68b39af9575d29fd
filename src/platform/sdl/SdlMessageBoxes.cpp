#include "platform/sdl/SdlMessageBoxes.h"

#include <SDL.h>

namespace platform::sdl {

std::optional<int> ShowMessageBox(SDL_Window* parent, uint32_t flags, const std::string& titleUtf8,
                                  const std::string& textUtf8,
                                  const std::vector<MessageBoxButton>& buttons, int returnId,
                                  int escapeId) {
    std::vector<SDL_MessageBoxButtonData> data;
    data.reserve(buttons.size());
    for (const MessageBoxButton& button : buttons) {
        SDL_MessageBoxButtonData d{};
        d.buttonid = button.result;
        d.text = button.label.c_str();
        if (button.result == returnId) {
            d.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        }
        if (button.result == escapeId) {
            d.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        }
        data.push_back(d);
    }
    SDL_MessageBoxData box{};
    box.flags = flags | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = parent;
    box.title = titleUtf8.c_str();
    box.message = textUtf8.c_str();
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        return std::nullopt;
    }
    return chosen;
}

}  // namespace platform::sdl
