// Stored forms of a data file. The game reads each file plain, gzip
// compressed (".gz"), scrambled (".scram") or compressed then scrambled
// (".gz.scram"); these turn plain bytes into each form, always the same way,
// so generated data is identical from run to run.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using GdBytes = std::vector<unsigned char>;

enum GdEncoding { GD_PLAIN, GD_GZ, GD_SCRAM, GD_GZ_SCRAM };

// "", ".gz", ".scram" or ".gz.scram": what the stored name ends in.
const char* gd_encoding_suffix(GdEncoding encoding);

// gzip at level 9 with a zero time stamp. False when zlib fails.
bool gd_gzip(const unsigned char* data, size_t n, GdBytes& out);
// The scramble header for seed, then the scrambled data.
void gd_scramble(const unsigned char* data, size_t n, uint32_t seed, GdBytes& out);
// Seed for a stored file: a hash of its name, so each file has its own key
// stream and the same name always gets the same one.
uint32_t gd_scramble_seed(const std::string& name);
// The stored bytes of plain data in the given form; stored_name (the name
// with the suffix) picks the scramble seed.
bool gd_encode(const GdBytes& plain, GdEncoding encoding, const std::string& stored_name, GdBytes& out);
