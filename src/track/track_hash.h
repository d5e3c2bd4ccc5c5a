// The identity of a track: a RIPEMD-160 digest over the bytes of its files
// (as read through the file system, so decompressed and descrambled), so that
// riders, demos and race servers can tell whether they have the same track.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Vfs;

enum { TRACK_HASH_SIZE = 20 };

// A digest being built; the state is kept in bytes so this header needs no
// library header.
struct TrackHash {
  alignas(8) unsigned char state[128];  // the hash state (large enough for RIPEMD-160's)
  bool open = false;                    // begun and not yet finished
  uint8_t digest[TRACK_HASH_SIZE] = {}; // after track_hash_finish
};

void track_hash_begin(TrackHash& h);
void track_hash_bytes(TrackHash& h, const void* bytes, size_t length);
// Feeds the whole contents of a file ("@tracks/x/terrain.hf") when it can be
// opened; false when it cannot (nothing is fed).
bool track_hash_file(TrackHash& h, Vfs& vfs, const char* name);
void track_hash_finish(TrackHash& h);
// The digest as 40 lower-case hex digits.
std::string track_hash_hex(const uint8_t digest[TRACK_HASH_SIZE]);
// RIPEMD-160 of a buffer in one go.
void ripemd160(const void* bytes, size_t length, uint8_t out[TRACK_HASH_SIZE]);
