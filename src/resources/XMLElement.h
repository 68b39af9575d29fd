#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Vesk {

// One piece of an XML document as XMLParser hands it out. Callers keep one
// record and pass it to every NextElement call; each call resets it.
struct XMLElement {
    enum Type : int32_t {
        TYPE_NONE = 0,
        TYPE_START = 1,
        TYPE_END = 2,
        TYPE_TEXT = 3,
        TYPE_INSTRUCTION = 4,
        TYPE_COMMENT = 5,
    };

    int32_t mType = TYPE_NONE;
    // Names of the enclosing open elements joined by "/"; empty at top level.
    std::string mSection;
    // Tag name for start and end tags, the text for text, the target for an instruction.
    std::string mValue;
    // The rest of a processing instruction, beginning with the white space after the target.
    std::string mInstruction;
    std::map<std::string, std::string> mAttributes;
    // Attribute names in the order they appeared in the tag.
    std::vector<std::string> mAttributeNames;
};

}  // namespace Vesk
