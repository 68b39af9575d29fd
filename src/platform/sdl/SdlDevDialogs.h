#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DevDialogs.h"

namespace platform {

// The dialogs on the real desktop, as SDL message boxes. The list shows kItemsPerPage numbered
// entries at a time with one button per entry, "More" to turn the page and "Cancel".
//
// A message box has no text field: the text dialog shows the initial text, and "Ok" takes it
// as it is while "Cancel" leaves without one.
class SdlDevDialogs : public DevDialogs {
public:
    static constexpr size_t kItemsPerPage = 8;

protected:
    std::optional<size_t> ShowList(std::string_view title,
                                   const std::vector<std::string>& items) override;
    std::optional<std::string> ShowTextEntry(std::string_view title,
                                             std::string_view initial) override;
};

}  // namespace platform
