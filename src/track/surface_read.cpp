// Readers of the surface files "tileinfo" and "texturelist".
#include "track/surface.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/messages.h"
#include "vfs/vfs.h"

enum { SURFACE_LINE_MAX = 1024 };  // 1023 characters and the terminator

// Posts a warning about the file and counts it.
static void surfaces_warn(SurfaceTable& table, const char* format, ...) __attribute__((format(printf, 2, 3)));
static void surfaces_warn(SurfaceTable& table, const char* format, ...) {
  char text[1200];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  message_post("%s", text);
  ++table.warnings;
}

static void surfaces_progress(const SurfaceLoader& loader) {
  if (loader.progress) loader.progress(loader.progress_context, "Loading tileinfo");
}

static uint32_t surfaces_texture(const SurfaceLoader& loader, const std::string& name, int flags) {
  if (name.empty()) return 0;
  return track_asset_texture(loader.assets, name.c_str(), flags);
}

// Scans up to n floats with "%f %f ..." and returns how many leading ones
// converted to finite numbers: "nan" and "inf" count as not converting.
static int surfaces_scan_floats(const char* text, float* out, int n) {
  int got = 0;
  if (n == 1) got = sscanf(text, "%f", &out[0]);
  else if (n == 2) got = sscanf(text, "%f %f", &out[0], &out[1]);
  else if (n == 3) got = sscanf(text, "%f %f %f", &out[0], &out[1], &out[2]);
  if (got < 0) got = 0;
  for (int i = 0; i < got; ++i)
    if (!std::isfinite(out[i])) return i;
  return got;
}

// Clamps a finite double into [lo, hi] and truncates it, so the conversion to
// a narrow integer stays defined.
static int surfaces_clamp_trunc(double x, int lo, int hi) {
  double t = std::trunc(x);
  if (t < lo) return lo;
  if (t > hi) return hi;
  return int(t);
}

// ---------------------------------------------------------------------------
// "tileinfo"

// The surface being built by property lines until "addtile" commits it.
struct TileinfoWork {
  Surface surface;                                     // everything but the curves
  bool name_given = false;                             // a "name" line was read
  FrictionPoint friction[SURFACE_CURVE_POINTS];        // friction points in file order
  int friction_count = 0;
  RollResistPoint roll_resist[SURFACE_CURVE_POINTS];   // rolling-resistance points in file order
  int roll_count = 0;
};

// The erosion scalars, each read with "%f".
struct ErodeKey {
  const char* keyword;            // also the name in the warning
  float SurfaceErosion::*field;   // where the value goes
};
static const ErodeKey erode_keys[] = {
    {"erode_depth", &SurfaceErosion::erode_depth},
    {"erode_lower", &SurfaceErosion::erode_lower},
    {"erode_upper", &SurfaceErosion::erode_upper},
    {"erode_displacement", &SurfaceErosion::erode_displacement},
    {"erode_radius", &SurfaceErosion::erode_radius},
    {"erode_inner_depth", &SurfaceErosion::erode_inner_depth},
    {"erode_inner_radius", &SurfaceErosion::erode_inner_radius},
    {"erode_min_slope", &SurfaceErosion::erode_min_slope},
    {"erode_max_slope", &SurfaceErosion::erode_max_slope},
    {"erode_off_speed", &SurfaceErosion::erode_off_speed},
    {"erode_on_speed", &SurfaceErosion::erode_on_speed},
    {"erode_slip_lower", &SurfaceErosion::erode_slip_lower},
    {"erode_slip_upper", &SurfaceErosion::erode_slip_upper},
    {"erode_slip_base_scale", &SurfaceErosion::erode_slip_base_scale},
    {"erode_slip_scale", &SurfaceErosion::erode_slip_scale},
    {"erode_downhill_scale", &SurfaceErosion::erode_downhill_scale},
    {"erode_project_to_ground", &SurfaceErosion::erode_project_to_ground},
    {"erode_lateral_scale", &SurfaceErosion::erode_lateral_scale},
    {"erode_front_scale", &SurfaceErosion::erode_front_scale},
};

// The float words of a "roost" line.
struct RoostKey {
  const char* word;          // text before "=", also the name in the warning
  float RoostKind::*field;   // where the value goes
};
static const RoostKey roost_float_keys[] = {
    {"count", &RoostKind::count},         {"dig", &RoostKind::dig},
    {"slip_threshold", &RoostKind::slip_threshold},
    {"slow_angle", &RoostKind::slow_angle}, {"fast_angle", &RoostKind::fast_angle},
    {"slow_speed", &RoostKind::slow_speed}, {"fast_speed", &RoostKind::fast_speed},
    {"size", &RoostKind::size},           {"grow", &RoostKind::grow},
    {"drag", &RoostKind::drag},           {"vscale", &RoostKind::vscale},
    {"randomize", &RoostKind::randomize},
};
static const char* const roost_colour_keys[4] = {"r", "g", "b", "a"};
static const char* const roost_fade_keys[4] = {"fade_r", "fade_g", "fade_b", "fade_a"};

// Splits a roost argument into words at white space; a double-quoted part may
// hold white space and loses its quotes.
static std::vector<std::string> roost_words(const char* text) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  for (const char* p = text; *p; ++p) {
    char c = *p;
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\b')) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

// The number after "=" by strtod rules; false (value 0) when none converts or
// it is not finite.
static bool roost_number(const char* text, double& value) {
  char* end = nullptr;
  value = strtod(text, &end);
  if (end == text || !std::isfinite(value)) {
    value = 0;
    return false;
  }
  return true;
}

static void roost_word(SurfaceTable& table, RoostKind& kind, const std::string& word) {
  size_t eq = word.find('=');
  std::string key = eq == std::string::npos ? std::string() : word.substr(0, eq);
  const char* value_text = eq == std::string::npos ? "" : word.c_str() + eq + 1;
  if (eq != std::string::npos) {
    if (key == "texture") {
      kind.texture_name = value_text;
      return;
    }
    double x = 0;
    if (key == "splash") {
      roost_number(value_text, x);
      if (x != 0) kind.kind = ROOST_SPLASH;
      return;
    }
    for (const RoostKey& k : roost_float_keys) {
      if (key != k.word) continue;
      if (!roost_number(value_text, x)) surfaces_warn(table, "tileinfo warning: bad %s\n", k.word);
      float v = float(x);
      if (k.field == &RoostKind::count) v = std::clamp(v, 0.0f, SURFACE_ROOST_MAX_COUNT);
      kind.*k.field = v;
      return;
    }
    for (int c = 0; c < 4; ++c) {
      if (key == roost_colour_keys[c]) {
        if (!roost_number(value_text, x)) surfaces_warn(table, "tileinfo warning: bad %s\n", roost_colour_keys[c]);
        kind.colour[c] = uint8_t(surfaces_clamp_trunc(x, 0, 255));
        return;
      }
      if (key == roost_fade_keys[c]) {
        if (!roost_number(value_text, x)) surfaces_warn(table, "tileinfo warning: bad %s\n", roost_fade_keys[c]);
        kind.fade[c] = int8_t(surfaces_clamp_trunc(x * SURFACE_TIC_SECONDS, -128, 127));
        return;
      }
    }
  }
  surfaces_warn(table, "tileinfo warning: unknown roost parameter '%.40s'\n", word.c_str());
}

static void tileinfo_roost(SurfaceTable& table, TileinfoWork& work, const char* argument,
                           const SurfaceLoader& loader) {
  Surface& s = work.surface;
  if (s.roost_count >= SURFACE_ROOST_KINDS) {
    surfaces_warn(table, "tileinfo warning: too many roost types\n");
    return;
  }
  RoostKind kind;
  std::vector<std::string> words = roost_words(argument);
  if (!words.empty()) kind.kind = ROOST_DIRT;
  for (const std::string& w : words) roost_word(table, kind, w);
  kind.texture = surfaces_texture(loader, kind.texture_name, SURFACE_ROOST_TEXTURE_FLAGS);
  s.roost[s.roost_count++] = kind;
}

static void tileinfo_friction(SurfaceTable& table, TileinfoWork& work, const char* argument) {
  if (work.friction_count >= SURFACE_CURVE_POINTS) {
    surfaces_warn(table, "tileinfo warning: too many friction points\n");
    return;
  }
  float v[2];
  if (surfaces_scan_floats(argument, v, 2) < 2) {
    surfaces_warn(table, "tileinfo warning: bad friction parameters\n");
    return;
  }
  work.friction[work.friction_count++] = {std::max(v[0], 0.0f), std::min(v[1], SURFACE_FRICTION_MAX_KEY)};
}

static void tileinfo_roll_resist(SurfaceTable& table, TileinfoWork& work, const char* argument) {
  if (work.roll_count >= SURFACE_CURVE_POINTS) {
    surfaces_warn(table, "tileinfo warning: too many roll_resist points\n");
    return;
  }
  float v[3];
  if (surfaces_scan_floats(argument, v, 3) < 3) {
    surfaces_warn(table, "tileinfo warning: bad roll_resist parameters\n");
    return;
  }
  work.roll_resist[work.roll_count++] = {std::max(v[0], 0.0f), std::max(v[1], 0.0f),
                                         std::max(v[2], SURFACE_ROLL_MIN_KEY)};
}

static void tileinfo_slip_function(SurfaceTable& table, TileinfoWork& work, const char* argument) {
  // "%d" without its overflow: a number out of range must not wrap into 0..2.
  char* end = nullptr;
  long n = strtol(argument, &end, 10);
  if (end == argument || n < 0 || n >= SURFACE_SLIP_FUNCTIONS) {
    surfaces_warn(table, "tileinfo warning: bad slip_function\n");
    return;  // the tyre model only knows 0..2: the previous value stays
  }
  work.surface.slip_function = int(n);
}

static void tileinfo_erode_limit(SurfaceTable& table, TileinfoWork& work, const char* argument) {
  SurfaceErosion& e = work.surface.erosion;
  if (e.erode_limit_count >= SURFACE_ERODE_LIMITS) {
    surfaces_warn(table, "tileinfo warning: too many erode limits\n");
    return;
  }
  float v[3];
  if (surfaces_scan_floats(argument, v, 3) < 3) {
    surfaces_warn(table, "tileinfo warning: bad erode_limit\n");
    return;
  }
  int n = e.erode_limit_count;
  if (n > 0 && !(v[0] > e.erode_limit_depth[n - 1])) {
    surfaces_warn(table, "tileinfo warning: erode_limit depth <= prev depth\n");
    return;
  }
  e.erode_limit_depth[n] = v[0];
  e.erode_limit_outer[n] = v[1];
  e.erode_limit_inner[n] = v[2];
  e.erode_limit_count = n + 1;
}

// Gives a surface the one erode limit it has when none was read.
static void surface_default_erode_limit(Surface& s) {
  SurfaceErosion& e = s.erosion;
  if (e.erode_limit_count > 0) return;
  e.erode_limit_depth[0] = 0.0f;
  e.erode_limit_outer[0] = 1.0f;
  e.erode_limit_inner[0] = 1.0f;
  e.erode_limit_count = 1;
}

// "addtile": stores the working surface and starts the next from the defaults.
static void tileinfo_commit(SurfaceTable& table, TileinfoWork& work) {
  Surface s = work.surface;
  if (!work.name_given || s.name.empty()) s.name = s.texture_name;
  if (s.name.size() > SURFACE_NAME_MAX) s.name.resize(SURFACE_NAME_MAX);

  std::stable_sort(work.friction, work.friction + work.friction_count,
                   [](const FrictionPoint& a, const FrictionPoint& b) { return a.key < b.key; });
  for (int i = 0; i < work.friction_count; ++i) s.friction[i] = work.friction[i];
  std::stable_sort(work.roll_resist, work.roll_resist + work.roll_count,
                   [](const RollResistPoint& a, const RollResistPoint& b) { return a.key < b.key; });
  for (int i = 0; i < work.roll_count; ++i) s.roll_resist[i] = work.roll_resist[i];

  surface_default_erode_limit(s);
  s.short_name = surface_short_name(s.texture_name);
  table.surfaces.push_back(std::move(s));
  work = TileinfoWork();
}

// One line of "tileinfo".
static void tileinfo_line(SurfaceTable& table, TileinfoWork& work, char* line, const SurfaceLoader& loader) {
  char* p = line + strspn(line, " \t\r\n");
  if (!*p) return;
  char* keyword = p;
  p += strcspn(p, " \t\r\n");
  if (*p) {
    *p++ = 0;
    p += strspn(p, " \t");
  }
  char* argument = p;
  argument[strcspn(argument, "\r\n")] = 0;

  Surface& s = work.surface;
  if (strcmp(keyword, "name") == 0) {
    s.name = argument;
    if (s.name.size() > SURFACE_NAME_MAX) s.name.resize(SURFACE_NAME_MAX);
    work.name_given = true;
  } else if (strcmp(keyword, "texture") == 0) {
    s.texture_name = argument;
    s.texture = surfaces_texture(loader, s.texture_name, SURFACE_GROUND_TEXTURE_FLAGS);
  } else if (strcmp(keyword, "friction") == 0) {
    tileinfo_friction(table, work, argument);
  } else if (strcmp(keyword, "slip_function") == 0) {
    tileinfo_slip_function(table, work, argument);
  } else if (strcmp(keyword, "roll_resist") == 0) {
    tileinfo_roll_resist(table, work, argument);
  } else if (strcmp(keyword, "roost") == 0) {
    tileinfo_roost(table, work, argument, loader);
  } else if (strcmp(keyword, "erode_limit") == 0) {
    tileinfo_erode_limit(table, work, argument);
  } else if (strcmp(keyword, "addtile") == 0) {
    tileinfo_commit(table, work);
  } else {
    for (const ErodeKey& k : erode_keys) {
      if (strcmp(keyword, k.keyword) != 0) continue;
      float v;
      if (surfaces_scan_floats(argument, &v, 1) == 1) s.erosion.*k.field = v;
      else surfaces_warn(table, "tileinfo warning: bad %s\n", k.keyword);
      return;
    }
    surfaces_warn(table, "tileinfo warning: Unknown identifier '%.950s'\n", keyword);
  }
}

// After the last line: a table with no surface gets one of defaults, so every
// tile index has a record; then the blend codes.
static void surfaces_finish(SurfaceTable& table, const char* warning) {
  if (table.surfaces.empty()) {
    surfaces_warn(table, "%s", warning);
    Surface s;
    surface_default_erode_limit(s);
    table.surfaces.push_back(std::move(s));
  }
  surfaces_derive_blend_codes(table);
}

bool surfaces_read_tileinfo(SurfaceTable& table, VfsFile* file, const SurfaceLoader& loader) {
  if (!file) return false;
  table = SurfaceTable();
  TileinfoWork work;
  char line[SURFACE_LINE_MAX];
  while (int(table.surfaces.size()) < SURFACE_MAX && vfs_gets(file, line, sizeof line)) {
    surfaces_progress(loader);
    tileinfo_line(table, work, line, loader);
  }
  surfaces_finish(table, "tileinfo warning: no addtile, using a default surface\n");
  return true;
}

// ---------------------------------------------------------------------------
// "texturelist"

static bool texturelist_blank(const char* line) { return line[strspn(line, " \t\r\n\f\v")] == 0; }

bool surfaces_read_texturelist(SurfaceTable& table, VfsFile* file, const SurfaceLoader& loader) {
  if (!file) return false;
  table = SurfaceTable();
  table.from_texturelist = true;
  char line[SURFACE_LINE_MAX];
  while (int(table.surfaces.size()) < SURFACE_MAX && vfs_gets(file, line, sizeof line)) {
    surfaces_progress(loader);
    if (texturelist_blank(line)) continue;
    float friction = 1.0f, first = 5.0f, second = 15.0f;
    int used = -1;
    const char* name = line;
    int got = sscanf(line, "%f %f %f %n", &friction, &first, &second, &used);
    if (got >= 3 && used >= 0) {
      name = line + used;
      if (!std::isfinite(friction) || !std::isfinite(first) || !std::isfinite(second)) {
        surfaces_warn(table, "texturelist warning: bad numbers\n");
        if (!std::isfinite(friction)) friction = 1.0f;
        if (!std::isfinite(first)) first = 5.0f;
        if (!std::isfinite(second)) second = 15.0f;
      }
      friction = std::max(friction, 0.0f);
      first = std::max(first, 0.0f);
      second = std::max(second, 0.0f);
    } else {
      friction = 1.0f, first = 5.0f, second = 15.0f;
    }

    Surface s;
    // The name ends at the line break, whichever kind the file uses.
    size_t length = strcspn(name, "\r\n");
    s.texture_name = "@" + std::string(name, length);
    if (length > 0) s.texture = surfaces_texture(loader, s.texture_name, SURFACE_GROUND_TEXTURE_FLAGS);
    s.name = s.texture_name.substr(0, SURFACE_NAME_MAX);
    for (int i = 0; i < SURFACE_CURVE_POINTS; ++i) {
      s.friction[i] = {friction, i == 0 ? 1.0f : SURFACE_FRICTION_UNUSED_KEY};
      s.roll_resist[i] = {first, second, i == 0 ? 1.0f : 0.0f};
    }
    s.roost_count = 1;
    s.roost[0].kind = ROOST_DIRT;
    s.roost[0].texture = surfaces_texture(loader, s.roost[0].texture_name, SURFACE_ROOST_TEXTURE_FLAGS);
    surface_default_erode_limit(s);
    s.short_name = surface_short_name(s.texture_name);
    table.surfaces.push_back(std::move(s));
  }
  surfaces_finish(table, "texturelist warning: no textures, using a default surface\n");
  return true;
}

int surfaces_load(SurfaceTable& table, Vfs& vfs, const std::string& folder, const SurfaceLoader& loader) {
  if (VfsFile* f = vfs_open(vfs, ("@" + folder + "/tileinfo").c_str(), "rb")) {
    surfaces_read_tileinfo(table, f, loader);
    vfs_close(f);
    return 1;
  }
  if (VfsFile* f = vfs_open(vfs, ("@" + folder + "/texturelist").c_str(), "rb")) {
    surfaces_read_texturelist(table, f, loader);
    vfs_close(f);
    return 2;
  }
  return 0;
}

int surfaces_read_named(void* target, Vfs& vfs, const char* name, bool texturelist) {
  SurfaceReadTarget& t = *static_cast<SurfaceReadTarget*>(target);
  if (!t.table) return -1;
  VfsFile* f = vfs_open(vfs, name, "rb");
  if (!f) return -1;
  if (texturelist) surfaces_read_texturelist(*t.table, f, t.loader);
  else surfaces_read_tileinfo(*t.table, f, t.loader);
  vfs_close(f);
  return surfaces_count(*t.table);
}
