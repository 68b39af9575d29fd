// The properties reader over a buffer of the file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "resources/PropertiesParser.h"
#include "util/Buffer.h"

namespace {

class Tables : public Vesk::PropertyTables {
public:
    void SetString(const std::string&, const std::u16string&) override {}
    void SetStringVector(const std::string&, const std::vector<std::string>&) override {}
    void SetBoolean(const std::string&, bool) override {}
    void SetInteger(const std::string&, int32_t) override {}
    void SetDouble(const std::string&, double) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Vesk::Buffer buffer;
    buffer.SetData(data, static_cast<int32_t>(size));
    Tables tables;
    Vesk::PropertiesParser parser(tables);
    const bool ok = parser.ReadPropertiesBuffer(buffer);
    if (ok != parser.GetErrorText().empty()) {
        std::abort();
    }
    return 0;
}
