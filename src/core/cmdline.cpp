#include "core/cmdline.h"

#include "settings/global_options.h"
#include "settings/settings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct ParseState {
  CommandLine& cl;
  GlobalOptions& g;
  Settings& s;
  FILE* err;
};

using OptionHandler = bool (*)(ParseState& p, const char* value);

struct OptionRow {
  const char* name;       // the exact word
  bool takes_value;       // value from the next argument or after "="
  OptionHandler handler;  // false: "Bad arg for <name>"
};

bool scan_int(const char* v, int& out) { return sscanf(v, "%d", &out) == 1; }
bool scan_float(const char* v, float& out) { return sscanf(v, "%f", &out) == 1; }

#define SWITCH(field) [](ParseState& p, const char*) { p.field; return true; }

const OptionRow option_table[] = {
    {"--open-home", false, SWITCH(cl.open_home = true)},
    {"--fugly", false, SWITCH(g.flat_shading = true)},
    {"--nosound", false, SWITCH(cl.nosound = true)},
    {"--novertexarrays", false, SWITCH(g.no_vertex_arrays = true)},
    {"--learn", false, SWITCH(cl.learn = 1)},
    {"--nolearn", false, SWITCH(cl.learn = 0)},
    {"--debug", false, SWITCH(cl.verbosity = 1)},
    {"--super-debug", false, SWITCH(cl.verbosity = 2)},
    {"--practice", false, SWITCH(cl.practice = true)},
    {"--warp", false, SWITCH(cl.warp = true)},
    {"--record-video", false, SWITCH(cl.record_video = true)},
    {"--editor", false, SWITCH(cl.editor = true)},
    {"--hidden-pause", false, SWITCH(cl.hidden_pause = true)},
    {"--hidden-hud", false, SWITCH(cl.hidden_hud = true)},
    {"--accurate-skip", false, SWITCH(cl.accurate_skip = true)},
    {"--glfinish", false, SWITCH(cl.glfinish = true)},
    {"--print-orientation", false, SWITCH(cl.print_orientation = true)},
    {"--texture-detail", true,
     [](ParseState& p, const char* v) {
       int n;
       if (!scan_int(v, n)) return false;
       p.g.ground_texture_reduction = p.g.model_texture_reduction = std::clamp(n, 0, 4);
       return true;
     }},
    {"--ground-texture-detail", true,
     [](ParseState& p, const char* v) {
       int n;
       if (!scan_int(v, n)) return false;
       p.g.ground_texture_reduction = std::clamp(n, 0, 4);
       return true;
     }},
    {"--roostfrequency", true,
     [](ParseState& p, const char* v) {
       int n;
       if (!scan_int(v, n)) return false;
       p.g.roost_frequency = std::clamp(n, 0, 1000);
       return true;
     }},
    {"--erode", true,
     [](ParseState& p, const char* v) {
       float f;
       if (!scan_float(v, f) || f != f) return false;
       p.g.erode_strength = int(std::floor(std::clamp(f, 0.0f, 100.0f) * 1024));
       return true;
     }},
    {"--detail", true,
     [](ParseState& p, const char* v) {
       float f;
       if (!scan_float(v, f) || f != f) return false;
       p.g.terrain_detail = f;
       return true;
     }},
    {"--max-detail-distance", true,
     [](ParseState& p, const char* v) {
       float f;
       if (!scan_float(v, f) || f != f) return false;
       p.g.max_detail_distance = f;
       p.g.fade_distance = f + 5;
       return true;
     }},
    {"--lod-scale", true,
     [](ParseState& p, const char* v) {
       float f;
       if (!scan_float(v, f) || f != f) return false;
       p.g.lod_scale = std::clamp(f, 1e-6f, 1e6f);
       return true;
     }},
    {"--lod-bias", true,
     [](ParseState& p, const char* v) {
       float f;
       if (!scan_float(v, f) || f != f) return false;
       p.g.lod_bias = f;
       return true;
     }},
    {"--lock-fps", true,
     [](ParseState& p, const char* v) {
       float f;
       if (!scan_float(v, f) || f != f) return false;
       p.cl.lock_fps = f;
       return true;
     }},
    {"--fake-lag", true,
     [](ParseState& p, const char* v) {
       float f;
       if (!scan_float(v, f) || f != f) return false;
       p.cl.fake_lag = std::clamp(f / 1000, 0.0f, 1.0f);
       return true;
     }},
    {"--fake-loss", true,
     [](ParseState& p, const char* v) {
       int n;
       if (!scan_int(v, n)) return false;
       p.cl.fake_loss = std::clamp(n, 0, 100);
       return true;
     }},
    {"--record-audio", true, [](ParseState& p, const char* v) { p.cl.record_audio = v; return true; }},
    {"--rotate-lineup", true, [](ParseState& p, const char* v) { scan_int(v, p.cl.rotate_lineup); return true; }},
    {"--bikes", true,
     [](ParseState& p, const char*) {
       fprintf(p.err, "--bikes doesn't do anything anymore\n");
       return true;
     }},
    {"--width", true, [](ParseState& p, const char* v) { scan_int(v, p.s.xres); return true; }},
    {"--height", true, [](ParseState& p, const char* v) { scan_int(v, p.s.yres); return true; }},
    {"--depth", true, [](ParseState& p, const char* v) { p.cl.depth = atoi(v); return true; }},
    {"--zdepth", true, [](ParseState& p, const char* v) { p.cl.zdepth = atoi(v); return true; }},
    {"--draw-fps", true, [](ParseState& p, const char* v) { p.cl.draw_fps = atoi(v); return true; }},
    {"--draw-time", true, [](ParseState& p, const char* v) { p.cl.draw_time = atoi(v); return true; }},
    {"--draw-ping", true, [](ParseState& p, const char* v) { p.cl.draw_ping = atoi(v); return true; }},
    {"--draw-speed", true, [](ParseState& p, const char* v) { p.cl.draw_speed = atoi(v); return true; }},
    {"--draw-render-stats", true,
     [](ParseState& p, const char* v) { p.cl.draw_render_stats = atoi(v); return true; }},
    {"--track", true, [](ParseState& p, const char* v) { p.cl.start_track = v; return true; }},
    {"--connect", true,
     [](ParseState& p, const char* v) {
       if (strncmp(v, "loamrun:", 8) == 0) v += 8;
       p.cl.connect = v;
       p.s.server_name.text = std::string(v).substr(0, 127);
       return true;
     }},
    {"--password", true, [](ParseState& p, const char* v) { p.cl.password = v; return true; }},
    {"--chase-center", true,
     [](ParseState& p, const char* v) {
       float c[3];
       if (sscanf(v, "%f,%f,%f", &c[0], &c[1], &c[2]) != 3) return false;
       for (int i = 0; i < 3; ++i)
         if (c[i] != c[i]) return false;
       std::copy(c, c + 3, p.cl.chase_center);
       p.cl.chase_center_set = true;
       return true;
     }},
};

#undef SWITCH

}  // namespace

CmdlineResult cmdline_parse(int argc, char** argv, CommandLine& cl, GlobalOptions& g, Settings& s, FILE* err) {
  ParseState p{cl, g, s, err};
  bool options_ended = false;
  bool have_file = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!options_ended && strcmp(arg, "--") == 0) {
      options_ended = true;
      continue;
    }
    if (options_ended || arg[0] != '-') {
      if (have_file) {
        fprintf(err, "Too many files!\n");
        return CMDLINE_ERROR;
      }
      cl.demo_file = arg;
      have_file = true;
      continue;
    }
    const OptionRow* row = nullptr;
    const char* value = nullptr;
    for (const OptionRow& r : option_table) {
      size_t n = strlen(r.name);
      if (strcmp(arg, r.name) == 0) {
        row = &r;
        break;
      }
      if (r.takes_value && strncmp(arg, r.name, n) == 0 && arg[n] == '=') {
        row = &r;
        value = arg + n + 1;
        break;
      }
    }
    if (!row) {
      fprintf(err, "bad option '%s'\n", arg);
      return CMDLINE_ERROR;
    }
    if (row->takes_value && !value) {
      if (i + 1 >= argc) {
        fprintf(err, "Missing value for %s\n", row->name);
        return CMDLINE_ERROR;
      }
      value = argv[++i];
    }
    if (!row->handler(p, value)) {
      fprintf(err, "Bad arg for %s\n", row->name);
      return CMDLINE_ERROR;
    }
  }
  return cl.open_home ? CMDLINE_OPEN_HOME : CMDLINE_OK;
}
