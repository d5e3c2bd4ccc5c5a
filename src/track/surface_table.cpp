// The surface table: lookups by tile index and the blend codes derived from
// the texture names.
#include "track/surface.h"

#include <cstring>

int surfaces_count(const SurfaceTable& table) { return int(table.surfaces.size()); }

const Surface& surfaces_get(const SurfaceTable& table, int index) {
  static const Surface defaults;  // constant: what an empty table answers with
  if (table.surfaces.empty()) return defaults;
  if (index < 0) index = 0;
  if (index >= int(table.surfaces.size())) index = int(table.surfaces.size()) - 1;
  return table.surfaces[size_t(index)];
}

std::string surface_short_name(const std::string& texture_name) {
  std::string name = texture_name;
  if (!name.empty() && name[0] == '@') name.erase(0, 1);
  size_t slash = name.rfind('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  return name;
}

// The lowest-numbered surface whose short name, up to its first ".", is the
// given text; -1 when none is (an empty text names nothing).
static int surfaces_find_base(const SurfaceTable& table, const char* text, size_t length) {
  if (length == 0) return -1;
  for (size_t i = 0; i < table.surfaces.size(); ++i) {
    const std::string& s = table.surfaces[i].short_name;
    size_t base = s.find('.');
    if (base == std::string::npos) base = s.size();
    if (base == length && s.compare(0, length, text, length) == 0) return int(i);
  }
  return -1;
}

// The corner mask of "wxyz" followed by the extension or the end; 0 otherwise.
static int surface_corner_mask(const char* p) {
  int mask = 0;
  for (int k = 0; k < 4; ++k) {
    if (p[k] != '0' && p[k] != '1') return 0;
    mask = mask * 2 + (p[k] - '0');
  }
  return (p[4] == 0 || p[4] == '.') ? mask : 0;
}

static int surface_blend_code(const SurfaceTable& table, int self) {
  const char* s = table.surfaces[size_t(self)].short_name.c_str();
  int plain = (self << 16) | (self << 8);
  const char* dash = strchr(s, '-');
  if (!dash) return plain;
  int a = surfaces_find_base(table, s, size_t(dash - s));
  if (a < 0) return plain;
  const char* rest = dash + 1;
  if (strncmp(rest, "alt", 3) == 0 && rest[3] >= '0' && rest[3] <= '9') return (a << 16) | (a << 8);
  size_t b_length = strcspn(rest, "-.");
  int b = surfaces_find_base(table, rest, b_length);
  if (b < 0) return -256;
  int mask = rest[b_length] == '-' ? surface_corner_mask(rest + b_length + 1) : 0;
  return (a << 16) | (b << 8) | mask;
}

void surfaces_derive_blend_codes(SurfaceTable& table) {
  for (size_t i = 0; i < table.surfaces.size(); ++i)
    table.surfaces[i].blend_code = surface_blend_code(table, int(i));
}
