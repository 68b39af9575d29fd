#include "widgets/DialogButtonWords.h"

namespace Vesk {

const std::string gDialogButtonYes = "YES";
const std::string gDialogButtonNo = "NO";
const std::string gDialogButtonOk = "OK";
const std::string gDialogButtonCancel = "CANCEL";

}  // namespace Vesk
