#pragma once

#include <memory>
#include <string>
#include <vector>

#include "resources/PropertyTables.h"
#include "resources/XMLParser.h"

namespace Vesk {

class Buffer;

// Reads a properties document into the application's tables:
//   <Properties>
//     <String id="...">text</String>
//     <StringArray id="..."><String>a</String><String>b</String></StringArray>
//     <Boolean id="...">true</Boolean> <Integer id="...">0x1F</Integer>
//     <Double id="...">0.75</Double>
//   </Properties>
// The first error stops the reading; what was set before it stays set.
class PropertiesParser {
public:
    explicit PropertiesParser(PropertyTables& tables);
    virtual ~PropertiesParser();
    PropertiesParser(const PropertiesParser&) = delete;
    PropertiesParser& operator=(const PropertiesParser&) = delete;

    // Parses the buffer's bytes as a one-byte-per-character document. True
    // when no error was recorded.
    bool ReadPropertiesBuffer(const Buffer& buffer);

    // The first error with its line (and file, when there is one).
    std::string GetErrorText() const { return mError; }

private:
    bool Fail(const std::string& text);
    bool ParseProperties();
    // The text of a property element, up to its end tag.
    bool ParseSingleValue(std::string& text);
    bool ParseStringArray(std::vector<std::string>& texts);

    PropertyTables* mTables;
    // Only while a buffer is read, so errors can name the line.
    std::unique_ptr<XMLParser> mParser;
    std::string mError;
    bool mHadError = false;
};

}  // namespace Vesk
