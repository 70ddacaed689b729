#include "app/run_event.h"

namespace merovix {
namespace {

std::string Line(const char* label, const std::optional<ProductVersion>& version) {
  return version ? std::string("\n") + label + ": " + version->Text() : std::string();
}

}  // namespace

std::string RunEventText(const RunEventFacts& facts) {
  std::string text = "Update_Merovix " + facts.program_version + ": " + RunEvent(facts.outcome).summary;
  if (!facts.last_message.empty()) text += "\nMeldung: " + facts.last_message;
  if (facts.exit_code) text += "\nExit-Code: " + std::to_string(*facts.exit_code);
  text += Line("Installierte Version vor dem Lauf", facts.versions.installed_before);
  text += Line("Angebotene Version", facts.versions.offered);
  text += Line("Installierte Version nach der Installation", facts.versions.installed_after);
  if (!facts.log_file.empty()) text += "\nProtokoll: " + facts.log_file;
  return text;
}

}  // namespace merovix
