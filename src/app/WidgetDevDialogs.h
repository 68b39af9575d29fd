#pragma once

#include <functional>
#include <memory>

#include "platform/DevDialogs.h"
#include "platform/PixelWindow.h"

namespace Vesk {

// The demo dialogs drawn with the toolkit's widgets in windows of their own: the marker list
// (a double click or Enter chooses) and the jump-to-time field, which takes typed text. A
// dialog that cannot be shown is the backend's own.
class WidgetDevDialogs : public platform::DevDialogs {
public:
    using WindowMaker =
        std::function<std::unique_ptr<platform::PixelWindow>(const platform::PixelWindow::Params&)>;

    // The field holds at most this many characters.
    static constexpr int kMaxTextChars = 500;

    // fallback may be null: a dialog that cannot be shown is then closed without an answer.
    WidgetDevDialogs(WindowMaker makeWindow, std::unique_ptr<platform::DevDialogs> fallback);
    ~WidgetDevDialogs() override;

    // The sdl backend's dialogs become these.
    static void Register();
    // These dialogs on the backend's desktop; null for backends without one.
    static std::unique_ptr<platform::DevDialogs> MakeForBackend(platform::BackendKind kind);

protected:
    std::optional<size_t> ShowList(std::string_view title,
                                   const std::vector<std::string>& items) override;
    std::optional<std::string> ShowTextEntry(std::string_view title,
                                             std::string_view initial) override;

private:
    WindowMaker mMakeWindow;
    std::unique_ptr<platform::DevDialogs> mFallback;
};

}  // namespace Vesk
