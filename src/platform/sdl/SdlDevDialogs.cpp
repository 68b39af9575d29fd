#include "platform/sdl/SdlDevDialogs.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/TextEncoding.h"
#include "platform/sdl/SdlMessageBoxes.h"

namespace platform {

namespace {

constexpr int kClosed = -1;
constexpr int kMore = -2;
constexpr int kCancel = -3;
constexpr int kOk = -4;

// The chosen button's id; kClosed when the box was closed or could not be shown.
int ShowBox(const std::string& titleUtf8, const std::string& textUtf8,
            const std::vector<MessageBoxButton>& buttons, int returnId, int escapeId) {
    const std::optional<sdl::BoxAnswer> chosen = sdl::ShowMessageBox(
        SDL_MESSAGEBOX_INFORMATION, titleUtf8, textUtf8, buttons, returnId, escapeId);
    if (!chosen) {
        std::fprintf(stderr, "%s: no dialog can be shown (%s)\n", titleUtf8.c_str(),
                     SDL_GetError());
        return kClosed;
    }
    return chosen->end == sdl::BoxEnd::Chosen ? chosen->result : kClosed;
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
        std::vector<MessageBoxButton> buttons;
        for (size_t i = first; i < last; ++i) {
            const std::string number = std::to_string(i - first + 1);
            textUtf8 += number + ". " + text::Utf8FromCp1252(items[i]) + "\n";
            buttons.push_back(MessageBoxButton{number, static_cast<int>(i)});
        }
        if (items.empty()) {
            textUtf8 = "(empty)\n";
        }
        if (pages > 1) {
            textUtf8 += "\nPage " + std::to_string(page + 1) + " of " + std::to_string(pages);
            buttons.push_back(MessageBoxButton{"More", kMore});
        }
        buttons.push_back(MessageBoxButton{"Cancel", kCancel});

        const int chosen = ShowBox(titleUtf8, textUtf8, buttons, kCancel, kCancel);
        if (chosen == kMore) {
            page = (page + 1) % pages;
            continue;
        }
        if (chosen < 0) {
            return std::nullopt;
        }
        return static_cast<size_t>(chosen);
    }
}

std::optional<std::string> SdlDevDialogs::ShowTextEntry(std::string_view title,
                                                        std::string_view initial) {
    const std::string textUtf8 = initial.empty() ? "(empty)" : text::Utf8FromCp1252(initial);
    const std::vector<MessageBoxButton> buttons = {MessageBoxButton{"Ok", kOk},
                                                   MessageBoxButton{"Cancel", kCancel}};
    if (ShowBox(text::Utf8FromCp1252(title), textUtf8, buttons, kOk, kCancel) != kOk) {
        return std::nullopt;
    }
    return std::string(initial);
}

}  // namespace platform
