#pragma once

#include <string>

#include "graphics/SharedImage.h"

namespace Vesk {

// What image fonts need of the application: error pop-ups and the shared images their layers
// draw from. The application object is one; tests and tools give their own.
class FontHost {
public:
    virtual ~FontHost() = default;

    // Shows the error text and returns when it has been seen.
    virtual void Popup(const std::string& text) = 0;
    // The shared image of a file, loaded on first use; an empty reference when it cannot be
    // read. isNew (may be null) is set when this call loaded it.
    virtual SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                          bool* isNew) = 0;
};

}  // namespace Vesk
