#pragma once

#include <vector>

#include "resources/DataElement.h"

namespace Vesk {

// An ordered list of values, which it owns; a copy duplicates every element.
class ListDataElement : public DataElement {
public:
    std::vector<std::unique_ptr<DataElement>> mElementVector;

    ListDataElement() { mIsList = true; }
    ListDataElement(const ListDataElement& other);
    ListDataElement& operator=(const ListDataElement& other);
    ListDataElement(ListDataElement&&) = default;
    ListDataElement& operator=(ListDataElement&&) = default;

    std::unique_ptr<DataElement> Duplicate() const override;

    size_t size() const { return mElementVector.size(); }
    const DataElement* operator[](size_t index) const { return mElementVector[index].get(); }
};

}  // namespace Vesk
