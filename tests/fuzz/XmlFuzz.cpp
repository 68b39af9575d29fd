// The XML parser over a string, or over a file whose byte-order mark picks the single-byte,
// UTF-8 or UTF-16 reader (the first byte's low bit). With bit 1 also set, the same bytes
// are read once as a string (which takes runs of plain characters in bulk) and once as
// UTF-16 units (one character at a time); both must give the same elements and error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFile.h"
#include "resources/XMLParser.h"

namespace {

struct Outcome {
    std::vector<Vesk::XMLElement> elements;
    std::string error;
    int line = 0;
};

Outcome Drain(Vesk::XMLParser& parser) {
    Outcome out;
    Vesk::XMLElement element;
    while (out.elements.size() < 10000 && parser.NextElement(&element)) {
        out.elements.push_back(element);
    }
    out.error = parser.HasFailed() ? parser.GetErrorText() : std::string();
    out.line = parser.GetCurrentLineNum();
    return out;
}

bool Same(const Outcome& a, const Outcome& b) {
    if (a.error != b.error || a.line != b.line || a.elements.size() != b.elements.size()) {
        return false;
    }
    for (size_t i = 0; i < a.elements.size(); ++i) {
        const Vesk::XMLElement& x = a.elements[i];
        const Vesk::XMLElement& y = b.elements[i];
        if (x.mType != y.mType || x.mSection != y.mSection || x.mValue != y.mValue ||
            x.mInstruction != y.mInstruction || x.mAttributes != y.mAttributes ||
            x.mAttributeNames != y.mAttributeNames) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((data[0] & 3) == 3) {
        Vesk::XMLParser bulk;
        bulk.SetString(text);
        std::string units = "\xFF\xFE";
        for (const char c : text) {
            units += std::string{c, '\0'};
        }
        Vesk::XMLParser single;
        if (!single.OpenFile(WriteFuzzFile(
                "units.xml", reinterpret_cast<const uint8_t*>(units.data()), units.size()))) {
            return 0;
        }
        if (!Same(Drain(bulk), Drain(single))) {
            std::abort();
        }
        return 0;
    }
    Vesk::XMLParser parser;
    if ((data[0] & 1) != 0) {
        if (!parser.OpenFile(WriteFuzzFile("document.xml", data + 1, size - 1))) {
            return 0;
        }
    } else {
        parser.SetString(text);
    }
    Drain(parser);
    return 0;
}
