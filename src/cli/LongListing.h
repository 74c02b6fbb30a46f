// `ls -l`: one line per entry with its type and permissions, size in bytes, date and
// time, and name, the columns lined up as `ls -l` lines them up.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/TreePath.h"
#include "iso/Records.h"

namespace tarnwick::cli {

// The recorded POSIX mode ("lrwxrwxrwx", "-rwsr-x--x") of a Rock Ridge entry; else
// "dr-xr-xr-x" for a directory, "-r--r--r--" for a file (a disc is read-only).
std::string ModeText(const TFEntry& entry);
// "2024-09-02 18:45", or blanks of that width for an entry without a date.
std::string LongDateText(const TFEntry& entry);

// The lines for the entries, sizes right-aligned to the widest.
void PrintLongRows(const std::vector<const TFEntry*>& entries, std::ostream& out);

// `ls -l` of a file or directory; with `recursive`, every directory below follows
// after an empty line and a "path:" heading, as `ls -lR` prints them.
void PrintLongListing(const TreeItem& item, bool recursive, std::ostream& out);

}  // namespace tarnwick::cli
