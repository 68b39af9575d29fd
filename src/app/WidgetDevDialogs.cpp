#include "app/WidgetDevDialogs.h"

#include <utility>

#include "app/WidgetWindow.h"
#include "graphics/Font.h"
#include "widgets/ButtonListener.h"
#include "widgets/DialogButton.h"
#include "widgets/EditWidget.h"
#include "widgets/ListListener.h"
#include "widgets/ListWidget.h"
#include "widgets/ScrollbarWidget.h"

namespace Vesk {

namespace {

constexpr int kVkReturn = 0x0D;
constexpr int kVkEscape = 0x1B;
constexpr int kOk = 1;
constexpr int kCancel = 2;

class Clicks : public ButtonListener {
public:
    void ButtonDepress(int id) override { mId = id; }
    int mId = -1;
};

void StyleButton(DialogButton& button, const std::string& label, Font* font) {
    button.mLabel = label;
    button.SetFont(font);
    button.SetColor(ButtonWidget::COLOR_LABEL, Color(0, 0, 0));
    button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(0, 0, 0));
    button.SetColor(ButtonWidget::COLOR_DARK_OUTLINE, Color(64, 64, 64));
    button.SetColor(ButtonWidget::COLOR_LIGHT_OUTLINE, Color(255, 255, 255));
    button.SetColor(ButtonWidget::COLOR_MEDIUM_OUTLINE, Color(160, 160, 160));
    button.SetColor(ButtonWidget::COLOR_BKG, Color(225, 225, 225));
}

}  // namespace

WidgetDevDialogs::WidgetDevDialogs(WindowMaker makeWindow,
                                   std::unique_ptr<platform::DevDialogs> fallback)
    : mMakeWindow(std::move(makeWindow)), mFallback(std::move(fallback)) {}

WidgetDevDialogs::~WidgetDevDialogs() = default;

void WidgetDevDialogs::Register() {
    platform::SetDevDialogsMaker(&WidgetDevDialogs::MakeForBackend);
}

std::unique_ptr<platform::DevDialogs> WidgetDevDialogs::MakeForBackend(platform::BackendKind kind) {
    if (kind != platform::BackendKind::Sdl) {
        return nullptr;
    }
    return std::make_unique<WidgetDevDialogs>(
        [kind](const platform::PixelWindow::Params& params) {
            return platform::MakePixelWindow(kind, params);
        },
        platform::MakeBackendDevDialogs(kind));
}

std::optional<size_t> WidgetDevDialogs::ShowList(std::string_view title,
                                                 const std::vector<std::string>& items) {
    std::unique_ptr<platform::PixelWindow> pixels =
        mMakeWindow ? mMakeWindow(platform::PixelWindow::Params{
                          std::string(title), platform::Point{10, 10}, platform::Size{300, 325}})
                    : nullptr;
    if (pixels == nullptr) {
        return mFallback != nullptr ? mFallback->ChooseFromList(title, items) : std::nullopt;
    }
    WidgetWindow window(std::move(pixels));
    const std::unique_ptr<Font> font = window.MakeFont("Tahoma", 8, false);
    // A click selects, a double click chooses; Enter takes the selected line.
    struct Choice : ListListener {
        void ListClicked(int id, int lineIndex, int clickCount) override {
            (void)id;
            if (clickCount == 2) {
                mChosen = lineIndex;
            } else if (clickCount == 1 && mList != nullptr) {
                mList->SetSelect(lineIndex);
            }
        }
        ListWidget* mList = nullptr;
        int mChosen = -1;
    } choice;
    ListWidget list(0, font.get(), &choice);
    choice.mList = &list;
    ScrollbarWidget bar(&list);
    list.mScrollbar = &bar;
    list.SetColor(ListWidget::COLOR_BKG, Color(255, 255, 255));
    list.SetColor(ListWidget::COLOR_TEXT, Color(0, 0, 0));
    list.SetColor(ListWidget::COLOR_SELECT, Color(0, 120, 215));
    list.SetColor(ListWidget::COLOR_SELECT_TEXT, Color(255, 255, 255));
    list.SetColor(ListWidget::COLOR_HILITE, Color(0, 0, 160));
    list.Resize(10, 10, 264, 305);
    bar.ResizeScrollbar(274, 10, 16, 305);
    WidgetManager& manager = window.Manager();
    manager.AddWidget(&list);
    manager.AddWidget(&bar);
    for (const std::string& item : items) {
        list.AddLine(item, false);
    }
    bool cancelled = false;
    window.mKeyFilter = [&](int key) {
        if (key == kVkEscape) {
            cancelled = true;
            return true;
        }
        if (key == kVkReturn) {
            if (list.mSelectIdx >= 0) {
                choice.mChosen = list.mSelectIdx;
            }
            return true;
        }
        return false;
    };
    const bool answered = window.RunUntil([&] { return cancelled || choice.mChosen >= 0; });
    manager.RemoveWidget(&bar);
    manager.RemoveWidget(&list);
    if (!answered || cancelled || choice.mChosen < 0) {
        return std::nullopt;
    }
    return static_cast<size_t>(choice.mChosen);
}

std::optional<std::string> WidgetDevDialogs::ShowTextEntry(std::string_view title,
                                                           std::string_view initial) {
    std::unique_ptr<platform::PixelWindow> pixels =
        mMakeWindow ? mMakeWindow(platform::PixelWindow::Params{
                          std::string(title), platform::Point{10, 10}, platform::Size{300, 80}})
                    : nullptr;
    if (pixels == nullptr) {
        return mFallback != nullptr ? mFallback->AskText(title, initial) : std::nullopt;
    }
    WidgetWindow window(std::move(pixels));
    const std::unique_ptr<Font> font = window.MakeFont("Tahoma", 8, false);
    Clicks clicks;
    EditWidget edit(0, nullptr);
    edit.SetFont(font.get());
    edit.mMaxChars = kMaxTextChars;
    edit.Resize(8, 8, 284, 22);
    // The remembered text, all of it selected, so typing replaces it.
    edit.SetText(std::string(initial).substr(0, kMaxTextChars), false);
    DialogButton ok(nullptr, kOk, &clicks);
    StyleButton(ok, "Ok", font.get());
    ok.Resize(45, 44, 90, 24);
    DialogButton cancel(nullptr, kCancel, &clicks);
    StyleButton(cancel, "Cancel", font.get());
    cancel.Resize(165, 44, 90, 24);
    WidgetManager& manager = window.Manager();
    manager.AddWidget(&edit);
    manager.AddWidget(&ok);
    manager.AddWidget(&cancel);
    manager.SetFocus(&edit);
    window.mKeyFilter = [&](int key) {
        if (key == kVkEscape || key == kVkReturn) {
            clicks.mId = key == kVkReturn ? kOk : kCancel;
            return true;
        }
        return false;
    };
    const bool answered = window.RunUntil([&] { return clicks.mId >= 0; });
    manager.RemoveWidget(&cancel);
    manager.RemoveWidget(&ok);
    manager.RemoveWidget(&edit);
    if (!answered || clicks.mId != kOk) {
        return std::nullopt;
    }
    return edit.mString;
}

}  // namespace Vesk
