#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Vesk {

// The application's named settings as the properties reader fills them: the
// string table, the string lists, booleans, integers and doubles. Each setter
// inserts the id or replaces its earlier value.
class PropertyTables {
public:
    PropertyTables() = default;
    virtual ~PropertyTables() = default;
    PropertyTables(const PropertyTables&) = delete;
    PropertyTables& operator=(const PropertyTables&) = delete;

    virtual void SetString(const std::string& id, const std::u16string& text) = 0;
    // The whole list replaces any earlier one of that id.
    virtual void SetStringVector(const std::string& id, const std::vector<std::string>& texts) = 0;
    virtual void SetBoolean(const std::string& id, bool value) = 0;
    virtual void SetInteger(const std::string& id, int32_t value) = 0;
    virtual void SetDouble(const std::string& id, double value) = 0;
};

}  // namespace Vesk
