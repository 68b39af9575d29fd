#pragma once

#include <string>

namespace Vesk {

// Button labels of the standard dialogs: a yes/no dialog and an ok/cancel dialog.
extern const std::string gDialogButtonYes;
extern const std::string gDialogButtonNo;
extern const std::string gDialogButtonOk;
extern const std::string gDialogButtonCancel;

}  // namespace Vesk
