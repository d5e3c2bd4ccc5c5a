// lr-pack, for track makers:
//   lr-pack OUT.saf FILE...       packs files into an archive; each is stored
//                                 under its name as given (relative to the
//                                 current folder), in the order given
//   lr-pack --scramble IN OUT     writes a scrambled copy of IN, its key
//                                 stream seeded from OUT's file name
#pragma once
#include <string>
#include <vector>

// Runs the tool on its arguments (the program name left out); returns the
// exit status: 0, or 1 after a message on stderr.
int gd_pack_run(const std::vector<std::string>& args);
