#include "resources/ListDataElement.h"

namespace Vesk {

ListDataElement::ListDataElement(const ListDataElement& other) : DataElement(other) {
    mElementVector.reserve(other.mElementVector.size());
    for (const auto& element : other.mElementVector) {
        mElementVector.push_back(element->Duplicate());
    }
}

ListDataElement& ListDataElement::operator=(const ListDataElement& other) {
    if (this != &other) {
        ListDataElement copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::unique_ptr<DataElement> ListDataElement::Duplicate() const {
    return std::make_unique<ListDataElement>(*this);
}

}  // namespace Vesk
