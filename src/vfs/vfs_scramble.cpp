#include "vfs/vfs_scramble.h"

#include <cstring>

static const uint32_t scramble_key = 0x4C6F616Du;  // "Loam"

static void scramble_seed(VfsScrambler& s, uint32_t seed) { s.state = seed ^ scramble_key; }

bool vfs_scramble_start(VfsScrambler& s, const unsigned char* header, size_t n) {
  if (n < VFS_SCRAMBLE_HEADER || memcmp(header, "LRSC", 4) != 0) return false;
  uint32_t seed = uint32_t(header[4]) | uint32_t(header[5]) << 8 | uint32_t(header[6]) << 16 |
                  uint32_t(header[7]) << 24;
  scramble_seed(s, seed);
  return true;
}

void vfs_scramble_header(VfsScrambler& s, uint32_t seed, unsigned char out[VFS_SCRAMBLE_HEADER]) {
  memcpy(out, "LRSC", 4);
  for (int i = 0; i < 4; ++i) out[4 + i] = (unsigned char)(seed >> (8 * i));
  scramble_seed(s, seed);
}

void vfs_scramble_apply(VfsScrambler& s, unsigned char* data, size_t n) {
  uint32_t x = s.state;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;
    data[i] ^= (unsigned char)(x >> 24);
  }
  s.state = x;
}
