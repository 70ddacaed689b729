#pragma once
// The maker's directive list "LoadAndRun.ini": fetching, loading into
// DirectiveList, and fetching and opening what one of its entries names.
#include <cstdint>
#include <string>

#include "common/directive_rules.h"
#include "common/download_sequence.h"

namespace merovix {

// Where the list is fetched to: the program's folder (its parent for a folder
// named Calvorintex) + "\LoadAndRun.ini".
std::string LocalDirectiveListPath();

// Fetches the list and loads it, converted from UTF-8 to the ANSI code page,
// into DirectiveList. `Folder` names where to read it (empty: where it was
// fetched). No copy of the list stays on disk. Tells how the fetch went.
DownloadResult LoadDirectiveList(const std::string& Folder);

// Fetches the list and looks `EntryName` up in `Section`; an entry whose URL
// (before any "^") ends in .exe or .pdf is downloaded into `TargetFolder`
// (empty: the program's folder) and, with `Run`, started or opened as
// DownloadFile starts or opens its file; any other URL is only handed to the
// shell, with `Run`. The list copy is deleted afterwards unless the entry is
// the list itself.
void LoadAndRun(const std::string& EntryName, const std::string& TargetFolder, const std::string& Section, bool Run,
                std::uint16_t ShowMode);

}  // namespace merovix
