#pragma once

namespace Vesk {

// Hears the check boxes of its owner.
class CheckboxListener {
public:
    virtual ~CheckboxListener() = default;

    virtual void CheckboxChecked(int id, bool checked) {
        (void)id;
        (void)checked;
    }
};

}  // namespace Vesk
