// The XML parser over a string, or over a file (the first byte's low bit), whose byte-order
// mark picks the single-byte, UTF-8 or UTF-16 reader.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzFile.h"
#include "resources/XMLParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    Vesk::XMLParser parser;
    if ((data[0] & 1) != 0) {
        if (!parser.OpenFile(WriteFuzzFile("document.xml", data + 1, size - 1)))
            return 0;
    } else {
        parser.SetString(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    }
    Vesk::XMLElement element;
    for (int n = 0; n < 100000 && parser.NextElement(&element); ++n) {
    }
    return 0;
}
