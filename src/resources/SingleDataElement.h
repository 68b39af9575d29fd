#pragma once

#include <string>

#include "resources/DataElement.h"

namespace Vesk {

// One token as written, quotes included.
class SingleDataElement : public DataElement {
public:
    std::string mString;

    SingleDataElement() = default;
    explicit SingleDataElement(std::string text) : mString(std::move(text)) {}

    std::unique_ptr<DataElement> Duplicate() const override {
        return std::make_unique<SingleDataElement>(*this);
    }
};

}  // namespace Vesk
