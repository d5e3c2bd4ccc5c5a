#include "track/track_hash.h"

#include <new>

#include <nettle/ripemd160.h>

#include "vfs/vfs.h"

static_assert(sizeof(ripemd160_ctx) <= sizeof(TrackHash::state), "TrackHash::state too small for the hash state");
static_assert(alignof(ripemd160_ctx) <= 8, "TrackHash::state not aligned enough for the hash state");
static_assert(TRACK_HASH_SIZE == RIPEMD160_DIGEST_SIZE, "digest size");

enum { TRACK_HASH_CHUNK = 16384 };

static ripemd160_ctx* track_hash_context(TrackHash& h) {
  return std::launder(reinterpret_cast<ripemd160_ctx*>(h.state));
}

void track_hash_begin(TrackHash& h) {
  ripemd160_ctx* ctx = new (h.state) ripemd160_ctx;
  ripemd160_init(ctx);
  h.open = true;
}

// Bytes given to a hash that was not begun (or is already finished) are
// dropped rather than fed into a state that holds nothing meaningful.
void track_hash_bytes(TrackHash& h, const void* bytes, size_t length) {
  if (!h.open || length == 0) return;
  ripemd160_update(track_hash_context(h), length, static_cast<const uint8_t*>(bytes));
}

bool track_hash_file(TrackHash& h, Vfs& vfs, const char* name) {
  if (!h.open) return false;
  VfsFile* f = vfs_open(vfs, name, "rb");
  if (!f) return false;
  unsigned char chunk[TRACK_HASH_CHUNK];
  for (;;) {
    int n = vfs_read(f, chunk, TRACK_HASH_CHUNK);
    if (n <= 0) break;
    ripemd160_update(track_hash_context(h), size_t(n), chunk);
  }
  vfs_close(f);
  return true;
}

// Finishing a hash that is not open leaves the last digest alone.
void track_hash_finish(TrackHash& h) {
  if (!h.open) return;
  ripemd160_digest(track_hash_context(h), TRACK_HASH_SIZE, h.digest);
  h.open = false;
}

std::string track_hash_hex(const uint8_t digest[TRACK_HASH_SIZE]) {
  static const char hex[] = "0123456789abcdef";
  std::string out(2 * TRACK_HASH_SIZE, '0');
  for (int i = 0; i < TRACK_HASH_SIZE; ++i) {
    out[2 * i] = hex[digest[i] >> 4];
    out[2 * i + 1] = hex[digest[i] & 15];
  }
  return out;
}

void ripemd160(const void* bytes, size_t length, uint8_t out[TRACK_HASH_SIZE]) {
  ripemd160_ctx ctx;
  ripemd160_init(&ctx);
  if (length) ripemd160_update(&ctx, length, static_cast<const uint8_t*>(bytes));
  ripemd160_digest(&ctx, TRACK_HASH_SIZE, out);
}
