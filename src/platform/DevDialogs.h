#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Backend.h"

namespace platform {

// The two small modal dialogs of demo playback: a list to pick one entry from, and a one-line
// text field with Ok and Cancel. Each call runs until the user has answered. Texts are
// Windows-1252. Main thread only.
class DevDialogs {
public:
    DevDialogs() = default;
    virtual ~DevDialogs() = default;
    DevDialogs(const DevDialogs&) = delete;
    DevDialogs& operator=(const DevDialogs&) = delete;

    // The index of the chosen item; none when the dialog was closed or the answer was not an
    // item of the list.
    std::optional<size_t> ChooseFromList(std::string_view title,
                                         const std::vector<std::string>& items);
    // The text of the field on Ok; none on Cancel or a closed dialog. The field starts with
    // the initial text, all of it selected.
    std::optional<std::string> AskText(std::string_view title, std::string_view initial);

protected:
    virtual std::optional<size_t> ShowList(std::string_view title,
                                           const std::vector<std::string>& items) = 0;
    virtual std::optional<std::string> ShowTextEntry(std::string_view title,
                                                     std::string_view initial) = 0;
};

// The dialogs of the process: the ones set, else those of the given backend (made on first use
// and kept for the life of the process).
DevDialogs& GetDevDialogs(BackendKind kind);
// nullptr goes back to the backends' own. The caller keeps ownership.
void SetDevDialogs(DevDialogs* dialogs);

// The dialogs for a backend: the maker's when one is set and it makes some, else the backend's
// own.
std::unique_ptr<DevDialogs> MakeDevDialogs(BackendKind kind);
// The backend's own dialogs, whatever maker is set.
std::unique_ptr<DevDialogs> MakeBackendDevDialogs(BackendKind kind);

// Lets a higher layer offer dialogs of its own; null goes back to the backend's.
using DevDialogsMaker = std::unique_ptr<DevDialogs> (*)(BackendKind kind);
void SetDevDialogsMaker(DevDialogsMaker maker);

}  // namespace platform
