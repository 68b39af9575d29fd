#pragma once

#include <string>

namespace Vesk {

// Button labels of the standard dialogs: a yes/no dialog and an ok/cancel dialog.
// Constant-initialised, so they hold their words before any other global is built.
extern const std::string gDialogButtonYes;
extern const std::string gDialogButtonNo;
extern const std::string gDialogButtonOk;
extern const std::string gDialogButtonCancel;

}  // namespace Vesk
