#pragma once

#include <memory>

namespace Vesk {

// One value of a descriptor statement: a token (SingleDataElement) or a list of values
// (ListDataElement).
class DataElement {
public:
    bool mIsList = false;

    DataElement() = default;
    DataElement(const DataElement&) = default;
    DataElement& operator=(const DataElement&) = default;
    virtual ~DataElement() = default;

    // A deep copy.
    virtual std::unique_ptr<DataElement> Duplicate() const = 0;
};

}  // namespace Vesk
