#pragma once
// The update run's operations on the real system.
#include "app/update_run.h"

namespace merovix {

class WindowsUpdateOperations : public UpdateOperations {
 public:
  bool ReadIniBool(const std::string& key, bool fallback) override;
  bool Confirm(const std::string& text) override;
  void ShowPlainMessage(const std::string& text) override;
};

// The system message box captioned "Merovix Update" with OK and the
// information icon, system-modal and topmost.
void ShowUpdateMessage(const std::string& text);

}  // namespace merovix
