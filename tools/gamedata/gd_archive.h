// Archives (".saf"): a text header of lines "SIZE NAME\n" closed by "-\n",
// then the stored files back to back in header order. The first file starts
// right after the "-" line and each next one where the previous one ends.
#pragma once
#include <string>
#include <vector>

#include "gamedata/gd_codec.h"

struct GdArchiveEntry {
  std::string name;  // "/"-separated, relative; may end in ".gz" or ".scram"
  GdBytes data;      // stored bytes, already in the form the name says
};

struct GdArchive {
  std::vector<GdArchiveEntry> entries;  // in header order
};

enum { GD_ARCHIVE_LINE_MAX = 1023 };  // longest header line, its line feed included

// Whether name may be stored: not empty, at most VFS_NAME_MAX bytes, no white
// space at either end, no control bytes or "\", not absolute, and no empty,
// "." or ".." parts.
bool gd_archive_name_ok(const std::string& name);
// Appends one entry; false (nothing added) for a bad name, a name already
// there (ignoring case, as the game does), or data too large for the game's
// 32-bit offsets.
bool gd_archive_add(GdArchive& archive, const std::string& name, GdBytes data);
// The whole archive; false when it would pass 2 GiB.
bool gd_archive_bytes(const GdArchive& archive, GdBytes& out);
