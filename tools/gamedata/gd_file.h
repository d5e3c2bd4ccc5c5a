// Whole-file reads and writes on disk. Failures are reported on stderr and
// returned as false.
#pragma once
#include <string>

#include "gamedata/gd_codec.h"

bool gd_read_file(const std::string& path, GdBytes& out);
// Makes the parent folders, then writes data; a regular file left partly
// written is removed.
bool gd_write_file(const std::string& path, const GdBytes& data);
// Writes plain data in the given form at folder + "/" + name + the form's suffix.
bool gd_write_encoded(const std::string& folder, const std::string& name, const GdBytes& plain,
                      GdEncoding encoding);
