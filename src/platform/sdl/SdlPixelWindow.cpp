#include "platform/sdl/SdlPixelWindow.h"

#include <SDL.h>

#include <string>

#include "platform/Clock.h"
#include "platform/InputTranslation.h"
#include "platform/TextEncoding.h"
#include "platform/sdl/SdlConversions.h"

namespace platform {

namespace {

// A window as long as a main window of the application would grow is refused: the picture
// is drawn in memory.
constexpr int32_t kMaxSide = 4096;

uint32_t Modifiers() {
    return sdl::ModifiersFromSdl(SDL_GetModState());
}

}  // namespace

std::unique_ptr<SdlPixelWindow> SdlPixelWindow::Make(const Params& params) {
    if (params.clientSize.width <= 0 || params.clientSize.height <= 0 ||
        params.clientSize.width > kMaxSide || params.clientSize.height > kMaxSide) {
        return nullptr;
    }
    std::unique_ptr<SdlPixelWindow> window(new SdlPixelWindow);
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return nullptr;
        }
        window->mStartedVideo = true;
    }
    window->mWindow =
        SDL_CreateWindow(text::Utf8FromCp1252(params.title).c_str(), params.position.x,
                         params.position.y, params.clientSize.width, params.clientSize.height,
                         SDL_WINDOW_SHOWN | SDL_WINDOW_ALWAYS_ON_TOP);
    if (window->mWindow == nullptr) {
        return nullptr;
    }
    window->mSdlId = SDL_GetWindowID(window->mWindow);
    window->mSize = params.clientSize;
    SDL_RaiseWindow(window->mWindow);
    SDL_StartTextInput();
    return window;
}

SdlPixelWindow::~SdlPixelWindow() {
    if (mWindow != nullptr) {
        SDL_DestroyWindow(mWindow);
    }
    if (mStartedVideo) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

void SdlPixelWindow::Present(const uint32_t* pixels, int32_t pitch) {
    // The plain window system framebuffer: no graphics driver to load.
    const char* hint = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    const std::string previous = hint != nullptr ? hint : "";
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Surface* target = SDL_GetWindowSurface(mWindow);
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, hint != nullptr ? previous.c_str() : nullptr);
    if (target == nullptr) {
        return;
    }
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(pixels), mSize.width, mSize.height, 32,
        pitch * static_cast<int32_t>(sizeof(uint32_t)), SDL_PIXELFORMAT_RGB888);
    if (source == nullptr) {
        return;
    }
    SDL_BlitSurface(source, nullptr, target, nullptr);
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(mWindow);
}

std::optional<Message> SdlPixelWindow::WaitMessage(uint32_t ms) {
    SDL_Event event;
    if (mPending.empty()) {
        SDL_PumpEvents();
        if (SDL_WaitEventTimeout(&event, static_cast<int>(ms)) != 0) {
            Translate(event);
        }
    }
    while (SDL_PollEvent(&event) != 0) {
        Translate(event);
    }
    if (mPending.empty()) {
        return std::nullopt;
    }
    Message message = mPending.front();
    mPending.pop_front();
    return message;
}

void SdlPixelWindow::Translate(const SDL_Event& event) {
    const input::Context context{kNoWindow, NowMs(), Point{}};
    switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.windowID != mSdlId) {
                return;
            }
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                mPending.push_back(Message{kNoWindow, msg::Close, 0, 0, context.time, {}});
            } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                       event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                mPending.push_back(Message{kNoWindow, msg::Paint, 0, 0, context.time, {}});
            }
            return;
        case SDL_QUIT:
            mPending.push_back(Message{kNoWindow, msg::Close, 0, 0, context.time, {}});
            return;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            if (event.key.windowID != mSdlId) {
                return;
            }
            const uint8_t key =
                sdl::VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode,
                                       (event.key.keysym.mod & KMOD_NUM) != 0);
            if (key == 0) {
                return;
            }
            const input::KeyInput in{key, event.type == SDL_KEYDOWN, event.key.repeat != 0,
                                     sdl::ModifiersFromSdl(event.key.keysym.mod)};
            mPending.push_back(input::KeyMessage(context, in));
            if (const auto c = input::ControlCharMessage(context, in)) {
                mPending.push_back(*c);
            }
            return;
        }
        case SDL_TEXTINPUT:
            if (event.text.windowID != mSdlId) {
                return;
            }
            for (const Message& m : input::TextMessages(context, event.text.text, Modifiers())) {
                mPending.push_back(m);
            }
            return;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID != mSdlId) {
                return;
            }
            mPending.push_back(
                input::MouseMoveMessage(context, Point{event.motion.x, event.motion.y},
                                        input::MouseKeyFlags(mHeldButtons, Modifiers())));
            return;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (event.button.windowID != mSdlId) {
                return;
            }
            input::MouseButton button = input::MouseButton::Left;
            uintptr_t bit = mouseKey::Left;
            if (event.button.button == SDL_BUTTON_RIGHT) {
                button = input::MouseButton::Right;
                bit = mouseKey::Right;
            } else if (event.button.button == SDL_BUTTON_MIDDLE) {
                button = input::MouseButton::Middle;
                bit = mouseKey::Middle;
            } else if (event.button.button != SDL_BUTTON_LEFT) {
                return;
            }
            const bool down = event.type == SDL_MOUSEBUTTONDOWN;
            mHeldButtons = down ? (mHeldButtons | bit) : (mHeldButtons & ~bit);
            mPending.push_back(input::ButtonMessage(
                context, button, down, event.button.clicks, Point{event.button.x, event.button.y},
                input::MouseKeyFlags(mHeldButtons, Modifiers())));
            return;
        }
        case SDL_MOUSEWHEEL: {
            if (event.wheel.windowID != mSdlId) {
                return;
            }
            const int notches = sdl::WheelNotchesFromSdl(
                event.wheel.y, event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED);
            if (notches != 0) {
                mPending.push_back(input::WheelMessage(
                    context, notches, input::MouseKeyFlags(mHeldButtons, Modifiers())));
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace platform
