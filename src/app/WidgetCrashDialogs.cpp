#include "app/WidgetCrashDialogs.h"

#include <utility>
#include <vector>

#include "app/TextPane.h"
#include "app/WidgetWindow.h"
#include "graphics/Font.h"
#include "platform/Clock.h"
#include "widgets/ButtonListener.h"
#include "widgets/DialogButton.h"
#include "widgets/EditWidget.h"

namespace Vesk {

namespace {

constexpr int kVkReturn = 0x0D;
constexpr int kVkEscape = 0x1B;

// Remembers the last button clicked.
class Clicks : public ButtonListener {
public:
    void ButtonDepress(int id) override { mId = id; }
    int mId = -1;
};

// A row of buttons and the panes of one window, kept alive while it shows.
struct Face {
    std::vector<std::unique_ptr<TextPane>> panes;
    std::vector<std::unique_ptr<DialogButton>> buttons;
    Clicks clicks;

    ~Face() {
        for (auto& button : buttons) {
            if (button->mParent != nullptr) {
                button->mParent->RemoveWidget(button.get());
            }
        }
        for (auto& pane : panes) {
            if (pane->mParent != nullptr) {
                pane->mParent->RemoveWidget(pane.get());
            }
        }
    }

    TextPane& AddPane(WidgetWindow& window, std::string_view text, Font* font, int x, int y,
                      int width, int height) {
        panes.push_back(std::make_unique<TextPane>());
        TextPane& pane = *panes.back();
        pane.Resize(x, y, width, height);
        pane.SetFont(font);
        pane.SetText(std::string(text));
        window.Manager().AddWidget(&pane);
        return pane;
    }

    DialogButton& AddButton(WidgetWindow& window, std::string_view label, int id, Font* font, int x,
                            int y, int width, int height, bool enabled) {
        buttons.push_back(std::make_unique<DialogButton>(nullptr, id, &clicks));
        DialogButton& button = *buttons.back();
        button.mLabel = std::string(label);
        button.SetFont(font);
        const Color ink = enabled ? Color(0, 0, 0) : Color(160, 160, 160);
        button.SetColor(ButtonWidget::COLOR_LABEL, ink);
        button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, ink);
        button.SetColor(ButtonWidget::COLOR_DARK_OUTLINE, Color(64, 64, 64));
        button.SetColor(ButtonWidget::COLOR_LIGHT_OUTLINE, Color(255, 255, 255));
        button.SetColor(ButtonWidget::COLOR_MEDIUM_OUTLINE, Color(160, 160, 160));
        button.SetColor(ButtonWidget::COLOR_BKG, Color(225, 225, 225));
        button.Resize(x, y, width, height);
        window.Manager().AddWidget(&button);
        button.SetDisabled(!enabled);
        return button;
    }
};

}  // namespace

// The progress window while it shows.
struct WidgetCrashDialogs::Progress {
    std::unique_ptr<WidgetWindow> window;
    Face face;
    TextPane* text = nullptr;
    bool abortPressed = false;
};

WidgetCrashDialogs::WidgetCrashDialogs(WindowMaker makeWindow,
                                       std::unique_ptr<platform::CrashDialogs> fallback)
    : mMakeWindow(std::move(makeWindow)), mFallback(std::move(fallback)) {}

WidgetCrashDialogs::~WidgetCrashDialogs() {
    EndProgress();
}

void WidgetCrashDialogs::Register() {
    platform::SetCrashDialogsMaker(&WidgetCrashDialogs::MakeForBackend);
}

std::unique_ptr<platform::CrashDialogs> WidgetCrashDialogs::MakeForBackend(
    platform::BackendKind kind) {
    if (kind != platform::BackendKind::Sdl) {
        return nullptr;
    }
    return std::make_unique<WidgetCrashDialogs>(
        [kind](const platform::PixelWindow::Params& params) {
            return platform::MakePixelWindow(kind, params);
        },
        platform::MakeBackendCrashDialogs(kind));
}

std::unique_ptr<WidgetWindow> WidgetCrashDialogs::OpenWindow(std::string_view title, int x, int y,
                                                             int width, int height) {
    if (!mMakeWindow) {
        return nullptr;
    }
    std::unique_ptr<platform::PixelWindow> window = mMakeWindow(platform::PixelWindow::Params{
        std::string(title), platform::Point{x, y}, platform::Size{width, height}});
    if (window == nullptr) {
        return nullptr;
    }
    return std::make_unique<WidgetWindow>(std::move(window));
}

platform::CrashDialogs::ReportChoice WidgetCrashDialogs::ShowReport(std::string_view header,
                                                                    std::string_view report,
                                                                    bool sendVisible,
                                                                    bool sendEnabled) {
    std::unique_ptr<WidgetWindow> window = OpenWindow(kReportTitle, 64, 64, 400, 300);
    if (window == nullptr) {
        return mFallback != nullptr ? mFallback->Report(header, report, sendVisible, sendEnabled)
                                    : ReportChoice::Close;
    }
    const std::unique_ptr<Font> headerFont = window->MakeFont("Arial", 9, true);
    const std::unique_ptr<Font> reportFont = window->MakeFont("Courier New", 8, false);
    const std::unique_ptr<Font> buttonFont = window->MakeFont("Tahoma", 8, false);
    Face face;
    face.AddPane(*window, header, headerFont.get(), 8, 8, 384, 84);
    TextPane& shown = face.AddPane(*window, report, reportFont.get(), 8, 92, 384, 168);
    shown.mWrap = false;
    shown.mBorder = true;
    shown.mFace = Color(255, 255, 255);
    const std::vector<Button> buttons = ReportButtons(sendVisible, sendEnabled);
    for (size_t i = 0; i < buttons.size(); ++i) {
        const Button& b = buttons[i];
        face.AddButton(*window, b.label, static_cast<int>(i), buttonFont.get(), b.x, b.y, b.width,
                       b.height, b.enabled);
    }
    // Enter presses the first button that can be pressed, Escape closes.
    window->mKeyFilter = [&](int key) {
        if (key == kVkEscape) {
            face.clicks.mId = static_cast<int>(buttons.size()) - 1;
            return true;
        }
        if (key == kVkReturn) {
            for (size_t i = 0; i < buttons.size(); ++i) {
                if (buttons[i].enabled) {
                    face.clicks.mId = static_cast<int>(i);
                    break;
                }
            }
            return true;
        }
        return false;
    };
    if (!window->RunUntil([&] { return face.clicks.mId >= 0; })) {
        return ReportChoice::Close;
    }
    const Button& chosen = buttons[static_cast<size_t>(face.clicks.mId)];
    return chosen.enabled ? chosen.choice : ReportChoice::Close;
}

platform::CrashDialogs::SubmitAnswer WidgetCrashDialogs::ShowSubmit(std::string_view header) {
    std::unique_ptr<WidgetWindow> window = OpenWindow(kSubmitTitle, 80, 80, 400, 300);
    if (window == nullptr) {
        return mFallback != nullptr ? mFallback->Submit(header) : SubmitAnswer{};
    }
    constexpr int kContinue = 0;
    constexpr int kAbort = 1;
    const std::unique_ptr<Font> headerFont = window->MakeFont("Arial", 9, true);
    const std::unique_ptr<Font> textFont = window->MakeFont("Courier New", 8, false);
    const std::unique_ptr<Font> buttonFont = window->MakeFont("Tahoma", 8, false);
    Face face;
    face.AddPane(*window, header, headerFont.get(), 8, 8, 384, 84);
    EditWidget edit(0, nullptr);
    edit.SetFont(textFont.get());
    edit.mMaxChars = static_cast<int>(kMaxUserText);
    edit.Resize(8, 92, 384, 22);
    window->Manager().AddWidget(&edit);
    window->Manager().SetFocus(&edit);
    face.AddButton(*window, kContinueLabel, kContinue, buttonFont.get(), 8, 268, 188, 24, true);
    face.AddButton(*window, kAbortLabel, kAbort, buttonFont.get(), 204, 268, 188, 24, true);
    window->mKeyFilter = [&](int key) {
        if (key == kVkEscape || key == kVkReturn) {
            face.clicks.mId = key == kVkReturn ? kContinue : kAbort;
            return true;
        }
        return false;
    };
    const bool answered = window->RunUntil([&] { return face.clicks.mId >= 0; });
    window->Manager().RemoveWidget(&edit);
    SubmitAnswer answer;
    answer.proceed = answered && face.clicks.mId == kContinue;
    if (answer.proceed) {
        answer.userText = edit.mString;
    }
    return answer;
}

int WidgetCrashDialogs::ShowRetryCancel(std::string_view text, std::string_view title) {
    std::unique_ptr<WidgetWindow> window = OpenWindow(title, 96, 96, 320, 96);
    if (window == nullptr) {
        return mFallback != nullptr ? mFallback->RetryCancel(text, title) : kCancel;
    }
    const std::unique_ptr<Font> font = window->MakeFont("Tahoma", 8, false);
    Face face;
    face.AddPane(*window, text, font.get(), 8, 8, 304, 48);
    face.AddButton(*window, "Retry", kRetry, font.get(), 64, 62, 88, 24, true);
    face.AddButton(*window, "Cancel", kCancel, font.get(), 168, 62, 88, 24, true);
    window->mKeyFilter = [&](int key) {
        if (key == kVkEscape || key == kVkReturn) {
            face.clicks.mId = key == kVkReturn ? kRetry : kCancel;
            return true;
        }
        return false;
    };
    if (!window->RunUntil([&] { return face.clicks.mId >= 0; })) {
        return kCancel;
    }
    return face.clicks.mId;
}

void WidgetCrashDialogs::BeginProgress(std::string_view text) {
    EndProgress();
    auto progress = std::make_unique<Progress>();
    progress->window = OpenWindow(kProgressTitle, 64, 64, 240, 64);
    if (progress->window != nullptr) {
        WidgetWindow& window = *progress->window;
        const std::unique_ptr<Font> bold = window.MakeFont("Tahoma", 10, true);
        const std::unique_ptr<Font> normal = window.MakeFont("Tahoma", 8, false);
        progress->text = &progress->face.AddPane(window, text, bold.get(), 24, 10, 224, 24);
        progress->face.AddButton(window, kAbortLabel, 0, normal.get(), 72, 36, 96, 22, true);
        Progress* p = progress.get();
        window.mKeyFilter = [p](int key) {
            if (key == kVkEscape || key == kVkReturn) {
                p->abortPressed = true;
                return true;
            }
            return false;
        };
    }
    mProgress = std::move(progress);
}

void WidgetCrashDialogs::SetProgressText(std::string_view text) {
    if (mProgress != nullptr && mProgress->text != nullptr) {
        mProgress->text->SetText(std::string(text));
    }
}

bool WidgetCrashDialogs::WaitProgress(uint32_t ms) {
    platform::Clock& clock = platform::GetClock();
    if (mProgress == nullptr || mProgress->window == nullptr) {
        clock.SleepMs(ms);
        return false;
    }
    const uint32_t start = clock.TickMs();
    for (;;) {
        const uint32_t waited = clock.TickMs() - start;
        const uint32_t left = waited >= ms ? 0 : ms - waited;
        const bool open = mProgress->window->Step(std::min(left, WidgetWindow::kStepMs));
        const bool abort = !open || mProgress->abortPressed || mProgress->face.clicks.mId >= 0;
        if (abort) {
            // Pressed once; the window stays until the poll ends it, unless the desktop
            // closed it.
            if (!open) {
                mProgress->window.reset();
            }
            mProgress->abortPressed = false;
            mProgress->face.clicks.mId = -1;
            return true;
        }
        if (left == 0) {
            return false;
        }
    }
}

void WidgetCrashDialogs::EndProgress() {
    mProgress.reset();
}

}  // namespace Vesk
