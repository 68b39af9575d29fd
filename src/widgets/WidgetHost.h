#pragma once

#include <memory>
#include <string>

#include "graphics/Font.h"

namespace Vesk {

class Dialog;

// What the widget tree needs of the application that owns it. The application implements it;
// without one (tools, tests) every call is a harmless default.
class WidgetHost {
public:
    static constexpr int kCursorPointer = 0;
    static constexpr int kCursorHand = 1;
    static constexpr int kCursorDragging = 2;
    static constexpr int kCursorText = 3;

    virtual ~WidgetHost() = default;

    virtual void SetCursor(int cursorNum) { (void)cursorNum; }
    virtual bool Is3DAccelerated() { return false; }

    // Null when no system font can be made; the control then draws no text.
    virtual std::unique_ptr<Font> CreateSystemFont(const std::string& face, int pointSize,
                                                   int charSet) {
        (void)face;
        (void)pointSize;
        (void)charSet;
        return nullptr;
    }
    // One step of the application's loop; false once the application is shutting down.
    virtual bool UpdateAppStep(bool* updated) {
        (void)updated;
        return false;
    }
    virtual bool KillDialog(int dialogId) {
        (void)dialogId;
        return false;
    }
    virtual bool KillDialogByObject(Dialog* dialog) {
        (void)dialog;
        return false;
    }
    virtual int GetAppWidth() { return 0; }
    virtual int GetAppHeight() { return 0; }
    virtual void StopAllSounds() {}
    virtual void CopyToClipboard(const std::string& text) { (void)text; }
    virtual std::string GetClipboard() { return {}; }
    // Text fields accept bytes 128-255 only when this says so.
    virtual bool AllowsEightBitText() { return false; }

    // The system caret: lets input methods and accessibility tools find a focused text field.
    virtual bool WantsSystemCaret() { return false; }
    virtual void CreateCaret(int width, int height) {
        (void)width;
        (void)height;
    }
    virtual void ShowCaret() {}
    // Screen pixels.
    virtual void SetCaretPos(int x, int y) {
        (void)x;
        (void)y;
    }
    virtual void HideCaret() {}
    virtual void DestroyCaret() {}
};

}  // namespace Vesk
