#include "track/lighting.h"

#include <cmath>
#include <cstdarg>
#include <cstring>

#include "platform/log.h"
#include "platform/messages.h"
#include "vfs/vfs.h"
#include "vfs/vfs_scanf.h"

static const char* const LIGHTING_LOADING = "Loading lighting";

// Texture flags: sky faces clamp so their edges meet; the environment map
// repeats; flare elements keep their alpha for the additive blend.
static const int LIGHTING_SKY_FLAGS = ASSET_TEXTURE_CLAMP;
static const int LIGHTING_ENV_FLAGS = ASSET_TEXTURE_MIPMAP;
static const int LIGHTING_FLARE_FLAGS = ASSET_TEXTURE_CLAMP | ASSET_TEXTURE_ALPHA;

enum { LIGHTING_FILE_MAX = 16 << 20 };  // a longer file is damaged, not read

// The file's text up to its first zero byte; false when it cannot be opened
// or is too long (which is logged).
static bool lighting_load_text(Vfs& vfs, const char* path, std::string& text) {
  VfsFile* f = vfs_open(vfs, path, "rb");
  if (!f) return false;
  char buffer[4096];
  int n;
  while ((n = vfs_read(f, buffer, int(sizeof buffer))) > 0 && text.size() < LIGHTING_FILE_MAX)
    text.append(buffer, size_t(n));
  vfs_close(f);
  if (text.size() >= LIGHTING_FILE_MAX) {
    log_message("lighting: '%s' is 16 MiB or longer and is not read\n", path);
    text.clear();
    return false;
  }
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return true;
}

LightingValues lighting_default_values() {
  LightingValues v;
  for (int i = 0; i < 3; ++i) {
    v.sun_vector[i] = 1.0f;
    v.sun_color[i] = 1.0f;
    v.ambient[i] = 0.5f;
    v.global_ambient[i] = 0.2f;
  }
  v.near_plane = 0.25f;
  v.far_plane = 5000.0f;
  v.dynamic_lighting = 0;
  return v;
}

void lighting_reset(Lighting& lighting) {
  lighting.values = lighting_default_values();
  for (int i = 0; i < LIGHTING_SKY_COUNT; ++i) {
    lighting.sky_names[i].clear();
    lighting.sky_textures[i] = 0;
  }
  lighting.flares.clear();
  lighting.flares.reserve(16);
  for (int i = 0; i < 3; ++i) lighting.fog_colour[i] = 0.0f;
  lighting.fog_density = 0.0f;
}

const char* lighting_sky_default(int face) {
  static const char* const names[LIGHTING_SKY_COUNT] = {"@sky-n.ppm", "@sky-e.ppm", "@sky-s.ppm",
                                                        "@sky-w.ppm", "@sky-u.ppm", "@sky-env.ppm"};
  return face >= 0 && face < LIGHTING_SKY_COUNT ? names[face] : "";
}

// Length of a vector, 0 when it has none that can divide.
static double lighting_length(const float v[3]) {
  double len = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
  return std::isfinite(len) && len > 0 ? len : 0.0;
}

void lighting_finish_values(LightingValues& values) {
  const float near_min = 1.0f / 1024.0f, near_max = 0.875f, far_max = 1048576.0f;
  if (!(values.near_plane >= near_min)) values.near_plane = near_min;  // also catches NaN
  if (values.near_plane > near_max) values.near_plane = near_max;
  if (!(values.far_plane >= values.near_plane))
    values.far_plane = values.near_plane;
  else if (values.far_plane > far_max)
    values.far_plane = far_max;
  double len = lighting_length(values.sun_vector);
  if (len == 0) {
    for (int i = 0; i < 3; ++i) values.sun_vector[i] = 1.0f;
    len = lighting_length(values.sun_vector);
  }
  for (int i = 0; i < 3; ++i) values.sun_vector[i] = float(values.sun_vector[i] / len);
}

static int lighting_scan(const std::string& text, const char* format, ...) {
  ScanString s{text.c_str(), 0};
  ScanSource source = scan_string_source(s);
  va_list args;
  va_start(args, format);
  int n = scan_format(source, format, args);
  va_end(args);
  return n;
}

static bool lighting_finite(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

// " [ %f %f %f ] " with every number finite.
static bool lighting_vector(const std::string& argument, float out[3]) {
  float v[3];
  if (lighting_scan(argument, " [ %f %f %f ] ", &v[0], &v[1], &v[2]) != 3 || !lighting_finite(v, 3)) return false;
  memcpy(out, v, sizeof v);
  return true;
}

static bool lighting_space(char c) { return c == ' ' || c == '\t'; }
static bool lighting_trailing_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// State of one read: the flare being built and the line being read.
struct LightingReader {
  Lighting& lighting;
  const TrackAssets& assets;
  const char* path;
  int line;                // 1-based number of the line being read
  LightingFlare building;  // elements gathered for the next flare_point or flare_vector
  bool flares_full_warned;
};

static void lighting_bad(LightingReader& r, const std::string& keyword, const char* why) {
  log_message("lighting: '%s' line %d: %.64s %s; the line is ignored\n", r.path, r.line, keyword.c_str(), why);
}

static void lighting_finish_flare(LightingReader& r, const std::string& keyword, int kind,
                                  const std::string& argument) {
  float v[3];
  if (!lighting_vector(argument, v)) {
    lighting_bad(r, keyword, "needs [ x y z ] with finite numbers");
    return;
  }
  if (int(r.lighting.flares.size()) < LIGHTING_FLARES_MAX) {
    r.building.kind = kind;
    memcpy(r.building.vector, v, sizeof v);
    r.lighting.flares.push_back(std::move(r.building));
  } else if (!r.flares_full_warned) {
    log_message("lighting: '%s' has more than %d flares; the rest are ignored\n", r.path, LIGHTING_FLARES_MAX);
    r.flares_full_warned = true;
  }
  r.building = LightingFlare{};
}

static void lighting_add_element(LightingReader& r, const std::string& keyword, const std::string& argument) {
  if (int(r.building.elements.size()) >= LIGHTING_FLARE_ELEMENTS_MAX) {
    lighting_bad(r, keyword, "would be a ninth element of one flare");
    return;
  }
  float v[6];
  char texture[1024];
  int n = lighting_scan(argument, " [ %f %f ] [ %f %f %f ] %f %1023s", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                        texture);
  if (n != 7 || !lighting_finite(v, 6)) {
    lighting_bad(r, keyword, "needs [ a b ] [ r g b ] size texture with finite numbers");
    return;
  }
  LightingFlareElement e;
  e.pair[0] = v[0];
  e.pair[1] = v[1];
  for (int i = 0; i < 3; ++i) e.colour[i] = v[2 + i];
  e.value = v[5];
  e.texture_name = texture;
  e.texture = track_asset_texture(r.assets, texture, LIGHTING_FLARE_FLAGS);
  r.building.elements.push_back(std::move(e));
}

// One statement; false when the keyword is unknown and reading must stop.
static bool lighting_statement(LightingReader& r, const std::string& keyword, const std::string& argument) {
  static const char* const sky_keywords[LIGHTING_SKY_COUNT] = {"sky_n", "sky_e", "sky_s", "sky_w", "sky_u", "sky_env"};
  LightingValues& values = r.lighting.values;
  struct VectorKeyword {
    const char* name;
    float* target;
  };
  const VectorKeyword vectors[] = {{"sun_vector", values.sun_vector},
                                   {"sun_color", values.sun_color},
                                   {"ambient", values.ambient},
                                   {"global_ambient", values.global_ambient}};
  for (const VectorKeyword& k : vectors) {
    if (keyword != k.name) continue;
    float v[3];
    if (!lighting_vector(argument, v))
      lighting_bad(r, keyword, "needs [ x y z ] with finite numbers");
    else if (k.target == values.sun_vector && lighting_length(v) == 0)
      lighting_bad(r, keyword, "has no direction");  // the sun keeps the direction it had
    else
      memcpy(k.target, v, sizeof v);
    return true;
  }
  for (int i = 0; i < LIGHTING_SKY_COUNT; ++i) {
    if (keyword != sky_keywords[i]) continue;
    if (argument.empty())
      lighting_bad(r, keyword, "needs an image name");
    else
      r.lighting.sky_names[i] = argument;
    return true;
  }
  if (keyword == "flare_element") {
    lighting_add_element(r, keyword, argument);
  } else if (keyword == "flare_point") {
    lighting_finish_flare(r, keyword, LIGHTING_FLARE_POINT, argument);
  } else if (keyword == "flare_vector") {
    lighting_finish_flare(r, keyword, LIGHTING_FLARE_VECTOR, argument);
  } else if (keyword == "fog") {
    float v[4];
    if (lighting_scan(argument, " [ %f %f %f ] %f ", &v[0], &v[1], &v[2], &v[3]) != 4 || !lighting_finite(v, 4)) {
      lighting_bad(r, keyword, "needs [ r g b ] density with finite numbers");
    } else {
      memcpy(r.lighting.fog_colour, v, sizeof(float) * 3);
      r.lighting.fog_density = v[3] > 0 ? v[3] : 0.0f;  // the fog cannot thin the view below clear air
    }
  } else if (keyword == "dynamic_lighting") {
    long long on;
    if (lighting_scan(argument, "%lld", &on) != 1)
      lighting_bad(r, keyword, "needs a number");
    else
      values.dynamic_lighting = on > 0 ? 1 : 0;
  } else if (keyword == "near_plane" || keyword == "far_plane") {
    float v;
    if (lighting_scan(argument, "%f", &v) != 1 || !std::isfinite(v))
      lighting_bad(r, keyword, "needs a finite number");
    else
      (keyword == "near_plane" ? values.near_plane : values.far_plane) = v;
  } else {
    message_post("Error reading lighting: Unknown identifier '%.950s'\n", keyword.c_str());
    return false;
  }
  return true;
}

static void lighting_parse(LightingReader& r, const char* text, const LightingHooks& hooks) {
  size_t pos = 0;
  for (r.line = 1; text[pos]; ++r.line) {
    size_t start = pos, end = pos;
    while (text[end] && text[end] != '\n') ++end;
    pos = text[end] ? end + 1 : end;
    if (hooks.loading_progress) hooks.loading_progress(hooks.context, LIGHTING_LOADING);
    while (start < end && lighting_space(text[start])) ++start;
    while (end > start && lighting_trailing_space(text[end - 1])) --end;
    if (start == end) continue;
    size_t key_end = start;
    while (key_end < end && !lighting_space(text[key_end])) ++key_end;
    size_t arg = key_end;
    while (arg < end && lighting_space(text[arg])) ++arg;
    std::string keyword(text + start, key_end - start);
    std::string argument(text + arg, end - arg);
    if (!lighting_statement(r, keyword, argument)) return;
  }
}

static void lighting_set_fog(const Lighting& lighting, const LightingHooks& hooks) {
  if (hooks.set_fog) hooks.set_fog(hooks.context, lighting.fog_colour, lighting.fog_density);
}

bool lighting_read(Lighting& lighting, Vfs& vfs, const char* path, const TrackAssets& assets,
                   const LightingHooks& hooks) {
  lighting_reset(lighting);
  std::string text;
  if (!lighting_load_text(vfs, path, text)) {
    // The defaults replace whatever the previous track set, fog included.
    lighting_finish_values(lighting.values);
    lighting_set_fog(lighting, hooks);
    return false;
  }
  if (hooks.loading_begin) hooks.loading_begin(hooks.context, LIGHTING_LOADING);
  LightingReader r{lighting, assets, path, 0, LightingFlare{}, false};
  lighting_parse(r, text.c_str(), hooks);
  if (!r.building.elements.empty())
    log_message("lighting: '%s': %d flare elements after the last flare_point or flare_vector are unused\n", path,
                int(r.building.elements.size()));
  lighting_finish_values(lighting.values);
  for (int i = 0; i < LIGHTING_SKY_COUNT; ++i) {
    if (lighting.sky_names[i].empty()) lighting.sky_names[i] = lighting_sky_default(i);
    int flags = i == LIGHTING_SKY_ENV ? LIGHTING_ENV_FLAGS : LIGHTING_SKY_FLAGS;
    lighting.sky_textures[i] = track_asset_texture(assets, lighting.sky_names[i].c_str(), flags);
  }
  if (hooks.loading_done) hooks.loading_done(hooks.context, LIGHTING_LOADING);
  lighting_set_fog(lighting, hooks);
  return true;
}
