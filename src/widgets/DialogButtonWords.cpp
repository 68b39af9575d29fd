#include "widgets/DialogButtonWords.h"

namespace Vesk {

constinit const std::string gDialogButtonYes = "YES";
constinit const std::string gDialogButtonNo = "NO";
constinit const std::string gDialogButtonOk = "OK";
constinit const std::string gDialogButtonCancel = "CANCEL";

}  // namespace Vesk
