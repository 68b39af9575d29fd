#include "resources/PropertiesParser.h"

#include <cstddef>

#include "util/Buffer.h"
#include "util/CommonText.h"

namespace Vesk {

PropertiesParser::PropertiesParser(PropertyTables& tables) : mTables(&tables) {}

PropertiesParser::~PropertiesParser() = default;

bool PropertiesParser::Fail(const std::string& text) {
    if (mHadError) {
        return false;
    }
    mHadError = true;
    mError = text;
    if (mParser != nullptr) {
        const int32_t line = mParser->GetCurrentLineNum();
        if (line > 0) {
            mError += StrFormat(" on Line %d", line);
        }
        const std::string fileName = mParser->GetFileName();
        if (!fileName.empty()) {
            mError += " in File '" + fileName + "'";
        }
    }
    return false;
}

bool PropertiesParser::ParseSingleValue(std::string& text) {
    text.clear();
    XMLElement element;
    while (mParser->NextElement(&element)) {
        switch (element.mType) {
            case XMLElement::TYPE_START:
                return Fail("Unexpected Section: '" + element.mValue + "'");
            case XMLElement::TYPE_TEXT:
                // A comment inside the text splits it in two.
                text += element.mValue;
                break;
            case XMLElement::TYPE_END:
                // The XML parser has checked that it closes this element.
                return true;
            default:
                break;
        }
    }
    return false;
}

bool PropertiesParser::ParseStringArray(std::vector<std::string>& texts) {
    texts.clear();
    XMLElement element;
    while (mParser->NextElement(&element)) {
        switch (element.mType) {
            case XMLElement::TYPE_START: {
                if (element.mValue != "String") {
                    return Fail("Invalid Section '" + element.mValue + "'");
                }
                std::string text;
                if (!ParseSingleValue(text)) {
                    return false;
                }
                texts.push_back(std::move(text));
                break;
            }
            case XMLElement::TYPE_TEXT:
                return Fail("Element Not Expected '" + element.mValue + "'");
            case XMLElement::TYPE_END:
                return true;
            default:
                break;
        }
    }
    return false;
}

bool PropertiesParser::ParseProperties() {
    XMLElement element;
    while (mParser->NextElement(&element)) {
        if (element.mType == XMLElement::TYPE_END) {
            return true;
        }
        if (element.mType == XMLElement::TYPE_TEXT) {
            return Fail("Element Not Expected '" + element.mValue + "'");
        }
        if (element.mType != XMLElement::TYPE_START) {
            continue;
        }

        const std::string kind = element.mValue;
        const auto idIt = element.mAttributes.find("id");
        const std::string id = idIt != element.mAttributes.end() ? idIt->second : std::string();

        if (kind == "StringArray") {
            std::vector<std::string> texts;
            if (!ParseStringArray(texts)) {
                return false;
            }
            mTables->SetStringVector(id, texts);
            continue;
        }

        if (kind != "String" && kind != "Boolean" && kind != "Integer" && kind != "Double") {
            return Fail("Invalid Section '" + kind + "'");
        }
        std::string text;
        if (!ParseSingleValue(text)) {
            return false;
        }

        if (kind == "String") {
            mTables->SetString(id, StringToWString(text));
        } else if (kind == "Boolean") {
            const std::string upper = Upper(text);
            if (upper == "TRUE") {
                mTables->SetBoolean(id, true);
            } else if (upper == "FALSE") {
                mTables->SetBoolean(id, false);
            } else {
                return Fail("Invalid Boolean Value: '" + text + "'");
            }
        } else if (kind == "Integer") {
            int32_t value = 0;
            if (!StringToInt(text, value)) {
                return Fail("Invalid Integer Value: '" + text + "'");
            }
            mTables->SetInteger(id, value);
        } else {
            double value = 0.0;
            if (!StringToDouble(text, value)) {
                return Fail("Invalid Double Value: '" + text + "'");
            }
            mTables->SetDouble(id, value);
        }
    }
    return false;
}

bool PropertiesParser::ReadPropertiesBuffer(const Buffer& buffer) {
    const uint8_t* data = buffer.GetDataPtr();
    const int32_t length = buffer.GetDataLen();
    const std::string text =
        (data != nullptr && length > 0)
            ? std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(length))
            : std::string();

    mParser = std::make_unique<XMLParser>();
    mParser->SetString(text);

    XMLElement element;
    while (!mHadError && mParser->NextElement(&element)) {
        if (element.mType == XMLElement::TYPE_START) {
            if (element.mValue != "Properties") {
                Fail("Invalid Section '" + element.mValue + "'");
                break;
            }
            if (!ParseProperties()) {
                break;
            }
        } else if (element.mType == XMLElement::TYPE_TEXT) {
            Fail("Element Not Expected '" + element.mValue + "'");
            break;
        }
    }
    if (mParser->HasFailed()) {
        Fail(mParser->GetErrorText());
    }

    mParser.reset();
    return !mHadError;
}

}  // namespace Vesk
