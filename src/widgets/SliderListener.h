#pragma once

namespace Vesk {

// Hears the sliders of its owner.
class SliderListener {
public:
    virtual ~SliderListener() = default;

    // value: 0.0 to 1.0.
    virtual void SliderVal(int id, double value) {
        (void)id;
        (void)value;
    }
};

}  // namespace Vesk
