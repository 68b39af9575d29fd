#pragma once

namespace Vesk {

// Hears the buttons of its owner. Every call has a default body, so an owner overrides only
// what it cares about.
class ButtonListener {
public:
    virtual ~ButtonListener() = default;

    virtual void ButtonPressCount(int id, int clickCount) {
        (void)clickCount;
        ButtonPress(id);
    }
    virtual void ButtonPress(int id) { (void)id; }
    virtual void ButtonDepress(int id) { (void)id; }
    virtual void ButtonDownTick(int id) { (void)id; }
    virtual void ButtonMouseEnter(int id) { (void)id; }
    virtual void ButtonMouseLeave(int id) { (void)id; }
    virtual void ButtonMouseMove(int id, int x, int y) {
        (void)id;
        (void)x;
        (void)y;
    }
};

}  // namespace Vesk
