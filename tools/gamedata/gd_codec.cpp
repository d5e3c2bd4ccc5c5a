#include "gamedata/gd_codec.h"

#include <climits>
#include <cstring>

#include <zlib.h>

#include "vfs/vfs_scramble.h"

const char* gd_encoding_suffix(GdEncoding encoding) {
  switch (encoding) {
    case GD_GZ: return ".gz";
    case GD_SCRAM: return ".scram";
    case GD_GZ_SCRAM: return ".gz.scram";
    default: return "";
  }
}

bool gd_gzip(const unsigned char* data, size_t n, GdBytes& out) {
  out.clear();
  if (n > UINT_MAX / 2) return false;
  z_stream zs{};
  // windowBits 15 + 16 asks for a gzip wrapper; without deflateSetHeader its
  // header carries no name and a zero time stamp.
  if (deflateInit2(&zs, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  out.resize(deflateBound(&zs, uLong(n)));
  zs.next_in = const_cast<unsigned char*>(data);
  zs.avail_in = uInt(n);
  zs.next_out = out.data();
  zs.avail_out = uInt(out.size());
  int rc = deflate(&zs, Z_FINISH);
  size_t produced = zs.total_out;
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) {
    out.clear();
    return false;
  }
  out.resize(produced);
  return true;
}

void gd_scramble(const unsigned char* data, size_t n, uint32_t seed, GdBytes& out) {
  out.resize(VFS_SCRAMBLE_HEADER + n);
  VfsScrambler s;
  vfs_scramble_header(s, seed, out.data());
  if (n) memcpy(out.data() + VFS_SCRAMBLE_HEADER, data, n);
  vfs_scramble_apply(s, out.data() + VFS_SCRAMBLE_HEADER, n);
}

uint32_t gd_scramble_seed(const std::string& name) {
  uint32_t h = 2166136261u;  // 32-bit FNV-1a
  for (unsigned char c : name) h = (h ^ c) * 16777619u;
  return h;
}

bool gd_encode(const GdBytes& plain, GdEncoding encoding, const std::string& stored_name, GdBytes& out) {
  switch (encoding) {
    case GD_PLAIN:
      out = plain;
      return true;
    case GD_GZ:
      return gd_gzip(plain.data(), plain.size(), out);
    case GD_SCRAM:
      gd_scramble(plain.data(), plain.size(), gd_scramble_seed(stored_name), out);
      return true;
    case GD_GZ_SCRAM: {
      GdBytes packed;
      if (!gd_gzip(plain.data(), plain.size(), packed)) return false;
      gd_scramble(packed.data(), packed.size(), gd_scramble_seed(stored_name), out);
      return true;
    }
  }
  return false;
}
