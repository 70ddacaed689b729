#include "app/update_run.h"

namespace merovix {

void RunUpdate(UpdateOperations& ops) {
  if (ops.ReadIniBool("confirm_update", true) && !ops.Confirm(kAskForUpdate)) {
    ops.ShowPlainMessage(kUpdateCancelled);
    return;
  }
  // Download, stop, install and restart follow here.
}

}  // namespace merovix
