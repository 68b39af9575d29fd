#pragma once

namespace Vesk {

// Hears the scroll bars of its owner.
class ScrollListener {
public:
    virtual ~ScrollListener() = default;

    virtual void ScrollPosition(int id, double position) {
        (void)id;
        (void)position;
    }
};

}  // namespace Vesk
