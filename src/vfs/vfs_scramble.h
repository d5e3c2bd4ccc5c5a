// Scrambled data (".scram"): an 8-byte header, "LRSC" and a little-endian
// 32-bit seed, then the payload with every byte XORed with a key stream. The
// key stream is a linear congruential generator started from the seed mixed
// with the program's key; its top byte is used. Scrambling and descrambling
// are the same operation.
#pragma once
#include <cstddef>
#include <cstdint>

struct VfsScrambler {
  uint32_t state = 0;  // generator state; advanced once per byte
};

enum { VFS_SCRAMBLE_HEADER = 8 };

// Starts from a stream's first 8 bytes; false when they are not a header.
bool vfs_scramble_start(VfsScrambler& s, const unsigned char* header, size_t n);
// Writes a header for seed into out and starts s to match it.
void vfs_scramble_header(VfsScrambler& s, uint32_t seed, unsigned char out[VFS_SCRAMBLE_HEADER]);
// Scrambles or descrambles n bytes in place, continuing the key stream.
void vfs_scramble_apply(VfsScrambler& s, unsigned char* data, size_t n);
