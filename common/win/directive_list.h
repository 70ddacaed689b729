#pragma once
// The maker's directive list "LoadAndRun.ini": fetching, loading into
// DirectiveList, and fetching and opening what one of its entries names.
#include <cstdint>
#include <string>

#include "common/directive_rules.h"
#include "common/download_sequence.h"

namespace merovix {

// Fetches the list into the work folder (work_folder.h) and loads it,
// converted from UTF-8 to the ANSI code page, into DirectiveList; nothing
// else: no entry of the list makes anything be fetched or opened. `Folder`
// names where to read it (empty: the fetched copy, read only when this fetch
// brought it, and within the list's size limit). No copy of the list stays
// on disk. Tells how the fetch went.
DownloadResult LoadDirectiveList(const std::string& Folder);

// Fetches the list and looks `EntryName` up in `Section`; an entry whose URL
// (before any "^") ends in .exe or .pdf is downloaded into `TargetFolder`
// (empty: the program's folder) and, with `Run`, started or opened as
// DownloadFile starts or opens its file; when the build names the
// installer's signer, such a file without that signer's signature is
// deleted, never started or opened. Any other URL is only handed to the
// shell, with `Run`. The list copy is deleted afterwards unless the entry is
// the list itself.
void LoadAndRun(const std::string& EntryName, const std::string& TargetFolder, const std::string& Section, bool Run,
                std::uint16_t ShowMode);

}  // namespace merovix
