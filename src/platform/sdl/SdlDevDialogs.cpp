#include "platform/sdl/SdlDevDialogs.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/TextEncoding.h"

namespace platform {

namespace {

constexpr int kClosed = -1;
constexpr int kMore = -2;
constexpr int kCancel = -3;
constexpr int kOk = -4;

struct BoxButton {
    std::string label;  // UTF-8
    int id = 0;
};

// The chosen button's id; kClosed when the box was closed or could not be shown.
int ShowBox(const std::string& titleUtf8, const std::string& textUtf8,
            const std::vector<BoxButton>& buttons, int returnId, int escapeId) {
    std::vector<SDL_MessageBoxButtonData> data;
    data.reserve(buttons.size());
    for (const BoxButton& button : buttons) {
        SDL_MessageBoxButtonData d{};
        d.buttonid = button.id;
        d.text = button.label.c_str();
        if (button.id == returnId)
            d.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (button.id == escapeId)
            d.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data.push_back(d);
    }
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = nullptr;
    box.title = titleUtf8.c_str();
    box.message = textUtf8.c_str();
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    int chosen = kClosed;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        std::fprintf(stderr, "%s: no dialog can be shown (%s)\n", titleUtf8.c_str(),
                     SDL_GetError());
        return kClosed;
    }
    return chosen;
}

}  // namespace

std::optional<size_t> SdlDevDialogs::ShowList(std::string_view title,
                                              const std::vector<std::string>& items) {
    const std::string titleUtf8 = text::Utf8FromCp1252(title);
    const size_t pages = std::max<size_t>(1, (items.size() + kItemsPerPage - 1) / kItemsPerPage);
    size_t page = 0;
    for (;;) {
        const size_t first = page * kItemsPerPage;
        const size_t last = std::min(items.size(), first + kItemsPerPage);
        std::string textUtf8;
        std::vector<BoxButton> buttons;
        for (size_t i = first; i < last; ++i) {
            const std::string number = std::to_string(i - first + 1);
            textUtf8 += number + ". " + text::Utf8FromCp1252(items[i]) + "\n";
            buttons.push_back(BoxButton{number, static_cast<int>(i)});
        }
        if (items.empty())
            textUtf8 = "(empty)\n";
        if (pages > 1) {
            textUtf8 += "\nPage " + std::to_string(page + 1) + " of " + std::to_string(pages);
            buttons.push_back(BoxButton{"More", kMore});
        }
        buttons.push_back(BoxButton{"Cancel", kCancel});

        const int chosen = ShowBox(titleUtf8, textUtf8, buttons, kCancel, kCancel);
        if (chosen == kMore) {
            page = (page + 1) % pages;
            continue;
        }
        if (chosen < 0)
            return std::nullopt;
        return static_cast<size_t>(chosen);
    }
}

std::optional<std::string> SdlDevDialogs::ShowTextEntry(std::string_view title,
                                                        std::string_view initial) {
    const std::string textUtf8 = initial.empty() ? "(empty)" : text::Utf8FromCp1252(initial);
    const std::vector<BoxButton> buttons = {BoxButton{"Ok", kOk}, BoxButton{"Cancel", kCancel}};
    if (ShowBox(text::Utf8FromCp1252(title), textUtf8, buttons, kOk, kCancel) != kOk)
        return std::nullopt;
    return std::string(initial);
}

}  // namespace platform
