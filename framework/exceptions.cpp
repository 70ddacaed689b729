#include "framework/exceptions.h"

#include "framework/strings.h"

namespace merovix {

std::string EWin32Error::MessageFor(std::uint32_t code, std::string_view system_text) {
  if (code == 0) return "Eine Win32-API-Funktion ist fehlgeschlagen";
  return "Win32-Fehler.  Code: " + std::to_string(code) + ".\n" + std::string(system_text);
}

EFCreateError::EFCreateError(std::string_view path)
    : Exception(FormatOne("Datei %s kann nicht erstellt werden", path)) {}

}  // namespace merovix
