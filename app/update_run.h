#pragma once
// The update run as a sequence over the operations it needs, so that its
// order, arguments and branches can be tested without Windows.
#include <string>

namespace merovix {

// Texts of the run shown to the user (UTF-8).
inline constexpr const char* kAskForUpdate = "Möchten Sie das Update von Merovix laden und installieren?";
inline constexpr const char* kUpdateCancelled = "Das Update wurde abgebrochen!";

class UpdateOperations {
 public:
  virtual ~UpdateOperations() = default;
  // Settings of the product (default file and section).
  virtual bool ReadIniBool(const std::string& key, bool fallback) = 0;
  // The confirmation question (Yes, the default, and Cancel); true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // The framework's plain message.
  virtual void ShowPlainMessage(const std::string& text) = 0;
};

// One update run on a PC where the product is installed.
void RunUpdate(UpdateOperations& ops);

}  // namespace merovix
