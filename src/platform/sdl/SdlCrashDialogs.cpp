#include "platform/sdl/SdlCrashDialogs.h"

#include <SDL.h>

#include <cstdio>
#include <vector>

#include "platform/Clock.h"
#include "platform/TextEncoding.h"
#include "platform/sdl/SdlMessageBoxes.h"

namespace platform {

namespace {

// Shows a message box; the chosen button's id, closeId when the window manager closed it, and
// failedId when no box could be shown.
int ShowBox(uint32_t flags, std::string_view title, std::string_view text,
            const std::vector<MessageBoxButton>& buttons, int returnId, int escapeId, int closeId,
            int failedId) {
    const std::string titleUtf8 = text::Utf8FromCp1252(title);
    const std::string textUtf8 = text::Utf8FromCp1252(text);
    const std::optional<sdl::BoxAnswer> chosen =
        sdl::ShowMessageBox(flags, titleUtf8, textUtf8, buttons, returnId, escapeId);
    if (!chosen) {
        // Nobody can see it: keep the text where a user or a log can.
        std::fprintf(stderr, "%s\n%s\n", titleUtf8.c_str(), textUtf8.c_str());
        return failedId;
    }
    return chosen->end == sdl::BoxEnd::Chosen ? chosen->result : closeId;
}

// The progress window's client area and its one button.
constexpr int kProgressWidth = 240;
constexpr int kProgressHeight = 64;
constexpr int kProgressX = 64;
constexpr int kProgressY = 64;
constexpr SDL_Rect kAbortButton{72, 36, 96, 22};

bool InAbortButton(int x, int y) {
    return x >= kAbortButton.x && x < kAbortButton.x + kAbortButton.w && y >= kAbortButton.y &&
           y < kAbortButton.y + kAbortButton.h;
}

std::string ProgressTitle(std::string_view text) {
    return text::Utf8FromCp1252(std::string(CrashDialogs::kProgressTitle) + " - " +
                                std::string(text));
}

}  // namespace

SdlCrashDialogs::~SdlCrashDialogs() {
    EndProgress();
}

std::string SdlCrashDialogs::ReportForDisplay(std::string_view report) {
    std::string shown;
    int lines = 0;
    size_t at = 0;
    while (at < report.size()) {
        if (lines == kMaxReportLines) {
            shown += "...\n";
            break;
        }
        size_t end = report.find('\n', at);
        const bool lastLine = end == std::string_view::npos;
        if (lastLine) {
            end = report.size();
        }
        std::string_view line = report.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        shown += line;
        if (!lastLine) {
            shown += '\n';
        }
        ++lines;
        at = end + 1;
    }
    return shown;
}

CrashDialogs::ReportChoice SdlCrashDialogs::ShowReport(std::string_view header,
                                                       std::string_view report, bool sendVisible,
                                                       bool sendEnabled) {
    constexpr int kSendId = 1;
    constexpr int kCloseId = 2;
    std::vector<MessageBoxButton> buttons;
    // A message box cannot grey a button out: a disabled one is left out.
    for (const Button& button : ReportButtons(sendVisible, sendEnabled)) {
        if (button.enabled) {
            buttons.push_back(
                MessageBoxButton{std::string(button.label),
                                 button.choice == ReportChoice::Send ? kSendId : kCloseId});
        }
    }
    const std::string text = std::string(header) + "\n\n" + ReportForDisplay(report);
    const int chosen = ShowBox(SDL_MESSAGEBOX_ERROR, kReportTitle, text, buttons, kCloseId,
                               kCloseId, kCloseId, kCloseId);
    return chosen == kSendId ? ReportChoice::Send : ReportChoice::Close;
}

CrashDialogs::SubmitAnswer SdlCrashDialogs::ShowSubmit(std::string_view header) {
    constexpr int kContinueId = 1;
    constexpr int kAbortId = 2;
    const std::vector<MessageBoxButton> buttons{{std::string(kContinueLabel), kContinueId},
                                                {std::string(kAbortLabel), kAbortId}};
    const int chosen = ShowBox(SDL_MESSAGEBOX_INFORMATION, kSubmitTitle, header, buttons,
                               kContinueId, kAbortId, kAbortId, kAbortId);
    SubmitAnswer answer;
    answer.proceed = chosen == kContinueId;
    return answer;
}

int SdlCrashDialogs::ShowRetryCancel(std::string_view text, std::string_view title) {
    // The labels are plain ASCII, so they serve as UTF-8.
    return ShowBox(SDL_MESSAGEBOX_WARNING, title, text,
                   WindowSystem::MessageBoxButtons(mb::RetryCancel), kRetry, kCancel, kCancel,
                   kCancel);
}

void SdlCrashDialogs::BeginProgress(std::string_view text) {
    EndProgress();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return;  // no window: the upload still runs to its end
        }
        mStartedVideo = true;
    }
    mProgressWindow =
        SDL_CreateWindow(ProgressTitle(text).c_str(), kProgressX, kProgressY, kProgressWidth,
                         kProgressHeight, SDL_WINDOW_SHOWN | SDL_WINDOW_ALWAYS_ON_TOP);
    if (mProgressWindow == nullptr) {
        return;
    }
    mProgressWindowId = SDL_GetWindowID(mProgressWindow);
    SDL_RaiseWindow(mProgressWindow);
    DrawProgress();
}

void SdlCrashDialogs::SetProgressText(std::string_view text) {
    if (mProgressWindow != nullptr) {
        SDL_SetWindowTitle(mProgressWindow, ProgressTitle(text).c_str());
    }
}

bool SdlCrashDialogs::WaitProgress(uint32_t ms) {
    if (mProgressWindow == nullptr) {
        GetClock().SleepMs(ms);
        return false;
    }
    bool abort = false;
    bool redraw = false;
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, static_cast<int>(ms)) == 0) {
        return false;
    }
    do {
        switch (event.type) {
            case SDL_WINDOWEVENT:
                if (event.window.windowID != mProgressWindowId) {
                    break;
                }
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                    abort = true;
                } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                           event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                    redraw = true;
                }
                break;
            case SDL_KEYDOWN:
                // "Abort" is the only button: Enter, Space and Escape all press it.
                if (event.key.windowID == mProgressWindowId &&
                    (event.key.keysym.sym == SDLK_ESCAPE || event.key.keysym.sym == SDLK_RETURN ||
                     event.key.keysym.sym == SDLK_KP_ENTER || event.key.keysym.sym == SDLK_SPACE)) {
                    abort = true;
                }
                break;
            case SDL_MOUSEBUTTONDOWN:
                if (event.button.windowID == mProgressWindowId &&
                    event.button.button == SDL_BUTTON_LEFT &&
                    InAbortButton(event.button.x, event.button.y)) {
                    mButtonHeld = true;
                    redraw = true;
                }
                break;
            case SDL_MOUSEBUTTONUP:
                if (event.button.button == SDL_BUTTON_LEFT && mButtonHeld) {
                    mButtonHeld = false;
                    redraw = true;
                    if (event.button.windowID == mProgressWindowId &&
                        InAbortButton(event.button.x, event.button.y)) {
                        abort = true;
                    }
                }
                break;
            case SDL_QUIT:
                abort = true;
                break;
            default:
                break;
        }
    } while (SDL_PollEvent(&event) != 0);
    if (redraw) {
        DrawProgress();
    }
    return abort;
}

void SdlCrashDialogs::EndProgress() {
    if (mProgressWindow != nullptr) {
        SDL_DestroyWindow(mProgressWindow);
    }
    mProgressWindow = nullptr;
    mProgressWindowId = 0;
    mButtonHeld = false;
    if (mStartedVideo) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    mStartedVideo = false;
}

void SdlCrashDialogs::DrawProgress() {
    // The plain window system framebuffer: no graphics driver to load after a crash.
    const char* hint = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    const std::string previous = hint != nullptr ? hint : "";
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Surface* surface = SDL_GetWindowSurface(mProgressWindow);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, hint != nullptr ? previous.c_str() : nullptr);
    if (surface == nullptr) {
        return;
    }
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0xF0, 0xF0, 0xF0));
    SDL_FillRect(surface, &kAbortButton, SDL_MapRGB(surface->format, 0x70, 0x70, 0x70));
    const SDL_Rect face{kAbortButton.x + 1, kAbortButton.y + 1, kAbortButton.w - 2,
                        kAbortButton.h - 2};
    const uint8_t shade = mButtonHeld ? 0xCC : 0xE1;
    SDL_FillRect(surface, &face, SDL_MapRGB(surface->format, shade, shade, shade));
    SDL_UpdateWindowSurface(mProgressWindow);
}

}  // namespace platform
