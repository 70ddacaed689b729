#pragma once
// The download of the installer into a folder of the user's choice, for a PC
// on which the product is not installed.
#include <cstdint>
#include <string>

#include "app/run_record.h"
#include "common/download_sequence.h"

namespace merovix {

inline constexpr const char* kNotTheProductPc =
    "Dies scheint nicht der PC zu sein, auf dem Merovix installiert ist. Möchten Sie das Update-File dennoch laden?";
inline constexpr const char* kUpdateFileDownloaded = "Das Updatefile wurde heruntergeladen!";
inline constexpr const char* kUpdateFileFailed = "Fehler beim Laden des Updates!";

// The operations also write the run's record (RecordSink).
class FallbackOperations : public RecordSink {
 public:
  virtual ~FallbackOperations() = default;
  virtual void Beep() = 0;
  // The warning question with OK (default) and Cancel; true for OK.
  virtual bool Warn(const std::string& text) = 0;
  virtual void ShowPlainMessage(const std::string& text) = 0;
  // The folder dialog; true and the folder when the user confirmed one.
  virtual bool ChooseFolder(std::string& folder) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  // Downloads without starting anything (DownloadFile's target rules).
  virtual DownloadResult DownloadFile(const std::string& url, const std::string& target, std::uint16_t show) = 0;
};

// `url` is the installer's fixed address; `update_file_name` its file name.
void RunFallbackDownload(FallbackOperations& ops, const std::string& url, const std::string& update_file_name);

}  // namespace merovix
