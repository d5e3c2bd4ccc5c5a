#include "track/gates.h"
#include "track/track_text.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/log.h"
#include "platform/messages.h"
#include "vfs/vfs.h"
#include "vfs/vfs_scanf.h"

static const char* const GATE_DEFAULT_MODEL = "@startgate.jm";
static const char* const GATE_DEFAULT_TEXTURE = "@startgate.ppm";
static const char* const GATE_DEFAULT_SHAPE = "@startgate.shp";

// Scans text from its current position like sscanf, leaving the position
// after what was consumed.
static int gates_scan(ScanString& text, const char* format, ...) {
  ScanSource source = scan_string_source(text);
  va_list args;
  va_start(args, format);
  int n = scan_format(source, format, args);
  va_end(args);
  return n;
}

static bool gates_is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

static bool gates_is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

static void gates_skip_space(ScanString& text) {
  while (gates_is_space(text.text[text.pos])) ++text.pos;
}

// The next white-space separated word (empty at the end of the text).
static std::string gates_next_word(ScanString& text) {
  gates_skip_space(text);
  int start = text.pos;
  while (text.text[text.pos] && !gates_is_space(text.text[text.pos])) ++text.pos;
  return std::string(text.text + start, size_t(text.pos - start));
}

static bool gates_all_finite(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

enum { GATES_FILE_MAX = 16 << 20 };  // a longer file is damaged, not read

// The file's text up to its first zero byte; false when it cannot be opened
// or is too long (which is logged).
static bool gates_load_text(Vfs& vfs, const char* path, std::string& text) {
  VfsFile* f = vfs_open(vfs, path, "rb");
  if (!f) return false;
  char buffer[4096];
  int n;
  while ((n = vfs_read(f, buffer, int(sizeof buffer))) > 0 && text.size() < GATES_FILE_MAX)
    text.append(buffer, size_t(n));
  vfs_close(f);
  if (text.size() >= GATES_FILE_MAX) {
    log_message("timing_gates: '%s' is 16 MiB or longer and is not read\n", path);
    text.clear();
    return false;
  }
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return true;
}

float gates_wrap_heading(float heading) {
  const double two_pi = 2.0 * M_PI;
  double r = std::fmod(double(heading) + M_PI, two_pi);
  if (r < 0) r += two_pi;
  return float(r - M_PI);
}

int gates_convert_entry(long long entry, int checkpoint_count) {
  long long last = (long long)checkpoint_count - 1;
  if (entry < 0) return checkpoint_count > 0 ? 0 : -1;
  if (entry < GATES_UNCOUNTED) return int(entry < last ? entry : last);
  long long index = entry % GATES_UNCOUNTED;
  return int(index < last ? index : last) + GATES_UNCOUNTED;
}

void gates_clear(GateSet& gates) {
  gates.starting_gates.clear();
  gates.checkpoints.clear();
  gates.sequence.clear();
  gates.first_lap_length = 0;
  gates.normal_lap_length = 0;
  gates.first_lap_counted = 0;
  gates.normal_lap_counted = 0;
}

bool gates_valid(const GateSet& gates) {
  return !gates.checkpoints.empty() && gates.first_lap_length > 2 && gates.normal_lap_length > 2 &&
         gates.first_lap_counted > 2 && gates.normal_lap_counted > 2;
}

int gates_line_sections(const GateSet& gates) {
  if (gates.normal_lap_length == 0) return 0;
  return gates.first_lap_counted + gates.normal_lap_counted;
}

// Reads one starting-gate line; false when it does not hold a gate.
static bool gates_read_start_line(GateSet& gates, const std::string& line, const GateObjects& objects,
                                  const char* path, int line_number) {
  ScanString s{line.c_str(), 0};
  float v[4];
  char names[3][1024] = {{0}, {0}, {0}};
  int n = gates_scan(s, " [ %f %f %f ] %f %1023s %1023s %1023s", &v[0], &v[1], &v[2], &v[3], names[0], names[1],
                     names[2]);
  if (n < 4) {
    log_message("timing_gates: '%s' line %d: not a starting gate; no more gates are read\n", path, line_number);
    return false;
  }
  if (!gates_all_finite(v, 4)) {
    log_message("timing_gates: '%s' line %d: starting gate with a number that is not finite; no more gates are read\n",
                path, line_number);
    return false;
  }
  StartGate g;
  g.position[0] = v[0];
  g.position[1] = v[1];
  g.position[2] = v[2];
  g.heading = gates_wrap_heading(v[3]);
  g.model = n >= 5 ? names[0] : GATE_DEFAULT_MODEL;
  g.texture = n >= 6 ? names[1] : GATE_DEFAULT_TEXTURE;
  g.shape = n >= 7 ? names[2] : GATE_DEFAULT_SHAPE;
  g.object = -1;
  if (objects.add) {
    float x = g.position[0] - 3.0f * std::sin(g.heading);
    float z = g.position[2] - 3.0f * std::cos(g.heading);
    g.object = objects.add(objects.context, x, g.position[1], z, g.heading, g.model.c_str(), g.texture.c_str(),
                           g.shape.c_str());
  }
  gates.starting_gates.push_back(std::move(g));
  return true;
}

// The starting-gate lines, from the text's position up to and including the
// word "checkpoints:" that begins a line. False when no such line follows.
static bool gates_read_start_section(GateSet& gates, ScanString& text, const GateObjects& objects, const char* path) {
  const char* t = text.text;
  bool reading = true;
  int line_number = 1;
  for (int p = 0; p < text.pos; ++p)
    if (t[p] == '\n') ++line_number;
  while (t[text.pos]) {
    int start = text.pos;
    int end = start;
    while (t[end] && t[end] != '\n') ++end;
    int first = start;
    while (first < end && gates_is_space(t[first])) ++first;
    int word_end = first;
    while (word_end < end && !gates_is_space(t[word_end])) ++word_end;
    if (word_end - first == 12 && memcmp(t + first, "checkpoints:", 12) == 0) {
      text.pos = word_end;
      return true;
    }
    text.pos = t[end] ? end + 1 : end;
    int number = line_number++;
    if (first == end || !reading) continue;  // blank, or the section has ended
    if (int(gates.starting_gates.size()) == GATES_STARTING_MAX) {
      log_message("timing_gates: '%s' has more than %d starting gates; the rest are ignored\n", path,
                  GATES_STARTING_MAX);
      reading = false;
      continue;
    }
    reading = gates_read_start_line(gates, std::string(t + start, size_t(end - start)), objects, path, number);
  }
  return false;
}

static void gates_read_checkpoints(GateSet& gates, ScanString& text, const char* path) {
  bool warned = false;
  for (;;) {
    gates_skip_space(text);
    char c = text.text[text.pos];
    // A word (the next section's keyword) never starts a checkpoint; leave it
    // whole for the keyword test.
    if (!c || gates_is_letter(c)) return;
    float v[7];
    int n = gates_scan(text, "%f [ %f %f %f ] [ %f %f %f ] ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
    if (n != 7) return;
    if (!gates_all_finite(v, 7)) {
      log_message("timing_gates: '%s': checkpoint %d has a number that is not finite; no more checkpoints are read\n",
                  path, int(gates.checkpoints.size()));
      return;
    }
    if (int(gates.checkpoints.size()) == GATES_CHECKPOINTS_MAX) {
      if (!warned)
        log_message("timing_gates: '%s' has more than %d checkpoints; the rest are ignored\n", path,
                    GATES_CHECKPOINTS_MAX);
      warned = true;
      continue;
    }
    Checkpoint cp;
    cp.size = v[0];
    for (int i = 0; i < 3; ++i) {
      cp.position[i] = v[1 + i];
      cp.direction[i] = v[4 + i];
    }
    gates.checkpoints.push_back(cp);
  }
}

// Integers up to the first that does not convert; returns the entries kept.
static int gates_read_sequence(GateSet& gates, ScanString& text, int& counted, const char* path, const char* name) {
  int n = int(gates.checkpoints.size());
  int length = 0;
  bool warned = false;
  for (;;) {
    gates_skip_space(text);
    char c = text.text[text.pos];
    if (!c || gates_is_letter(c)) break;
    long long entry;
    if (gates_scan(text, "%lld", &entry) != 1) break;
    if (length == GATES_SEQUENCE_MAX) {
      if (!warned)
        log_message("timing_gates: '%s': %s has more than %d entries; the rest are ignored\n", path, name,
                    GATES_SEQUENCE_MAX);
      warned = true;
      continue;
    }
    int value = gates_convert_entry(entry, n);
    gates.sequence.push_back(value);
    if (gates_entry_counted(value)) ++counted;
    ++length;
  }
  return length;
}

static void gates_parse(GateSet& gates, const char* data, const GateObjects& objects, const char* path) {
  ScanString text{data, 0};
  std::string word = gates_next_word(text);
  if (word == "startinggate:") {
    if (!gates_read_start_section(gates, text, objects, path)) return;
  } else if (word != "checkpoints:") {
    if (!word.empty())
      log_message("timing_gates: '%s' starts with '%.64s', not \"startinggate:\" or \"checkpoints:\"\n", path,
                  word.c_str());
    return;
  }
  gates_read_checkpoints(gates, text, path);
  word = gates_next_word(text);
  if (word != "firstlap:") {
    if (!word.empty())
      log_message("timing_gates: '%s': '%.64s' where \"firstlap:\" should follow the checkpoints\n", path,
                  word.c_str());
    return;
  }
  gates.first_lap_length = gates_read_sequence(gates, text, gates.first_lap_counted, path, "firstlap");
  word = gates_next_word(text);
  if (word != "normallap:") {
    if (!word.empty())
      log_message("timing_gates: '%s': '%.64s' where \"normallap:\" should follow the first lap\n", path,
                  word.c_str());
    return;
  }
  gates.normal_lap_length = gates_read_sequence(gates, text, gates.normal_lap_counted, path, "normallap");
  gates_skip_space(text);
  if (text.text[text.pos])
    log_message("timing_gates: '%s': text after the normal lap is ignored\n", path);
}

// Drops the lap data of a set that cannot time laps, saying why.
static void gates_check(GateSet& gates, const char* path) {
  if (gates_valid(gates)) return;
  if (!gates.checkpoints.empty() || !gates.sequence.empty()) {
    const char* why = gates.checkpoints.empty()                 ? "no checkpoints"
                      : gates.first_lap_length <= 2             ? "the first lap has fewer than 3 entries"
                      : gates.normal_lap_length <= 2            ? "the normal lap has fewer than 3 entries"
                      : gates.first_lap_counted <= 2            ? "the first lap counts fewer than 3 checkpoints"
                                                                : "the normal lap counts fewer than 3 checkpoints";
    log_message("timing_gates: '%s' has no laps: %s\n", path, why);
  }
  gates.checkpoints.clear();
  gates.sequence.clear();
  gates.first_lap_length = gates.normal_lap_length = 0;
  gates.first_lap_counted = gates.normal_lap_counted = 0;
}

bool gates_read(GateSet& gates, Vfs& vfs, const char* path, const GateObjects& objects, int verbosity) {
  gates_clear(gates);
  std::string text;
  if (!gates_load_text(vfs, path, text)) return false;
  gates_parse(gates, text.c_str(), objects, path);
  gates_check(gates, path);
  if (verbosity >= 1)
    log_message("Found %d timing gates, first lap has %d gates, normal lap has %d\n", int(gates.checkpoints.size()),
                gates.first_lap_length, gates.normal_lap_length);
  return true;
}

// " %f" of a heading, written as it will read back: a heading within
// rounding of pi would print as a number past pi and come back wrapped to
// the other side, so the wrapped value is written instead.
static void gates_append_heading(std::string& out, float heading) {
  char text[64], wrapped[64];
  snprintf(text, sizeof text, " %f", heading);
  float back = gates_wrap_heading(strtof(text, nullptr));
  snprintf(wrapped, sizeof wrapped, " %f", back);
  out += strcmp(text, wrapped) == 0 || !std::isfinite(back) ? text : wrapped;
}

static const char* gates_name_or_null(const std::string& name) { return name.empty() ? "null" : name.c_str(); }

std::string gates_format(const GateSet& gates) {
  std::string out;
  if (!gates.starting_gates.empty()) {
    out += "startinggate:\n";
    for (const StartGate& g : gates.starting_gates) {
      track_appendf(out, "[%f %f %f]", g.position[0], g.position[1], g.position[2]);
      gates_append_heading(out, g.heading);
      if (g.model == GATE_DEFAULT_MODEL && g.texture == GATE_DEFAULT_TEXTURE && g.shape == GATE_DEFAULT_SHAPE)
        out += "\n";
      else
        track_appendf(out, " %s %s %s\n", gates_name_or_null(g.model), gates_name_or_null(g.texture),
                     gates_name_or_null(g.shape));
    }
  }
  if (!gates.checkpoints.empty()) {
    out += "checkpoints:\n";
    for (const Checkpoint& c : gates.checkpoints) {
      track_appendf(out, "%f ", c.size);
      track_appendf(out, "[%f %f %f]", c.position[0], c.position[1], c.position[2]);
      out += " ";
      track_appendf(out, "[%f %f %f]", c.direction[0], c.direction[1], c.direction[2]);
      out += "\n";
    }
  }
  // The lengths say how much of the sequence belongs to each lap; never
  // read past what is stored.
  size_t stored = gates.sequence.size();
  size_t first = gates.first_lap_length > 0 ? size_t(gates.first_lap_length) : 0;
  size_t normal = gates.normal_lap_length > 0 ? size_t(gates.normal_lap_length) : 0;
  if (first > stored) first = stored;
  if (normal > stored - first) normal = stored - first;
  if (gates.first_lap_length != 0) {
    out += "firstlap:\n";
    for (size_t i = 0; i < first; ++i) track_appendf(out, "%d ", gates.sequence[i]);
    out += "\n";
  }
  if (gates.normal_lap_length != 0) {
    out += "normallap:\n";
    for (size_t i = first; i < first + normal; ++i) track_appendf(out, "%d ", gates.sequence[i]);
    out += "\n";
  }
  return out;
}

bool gates_write(const GateSet& gates, Vfs& vfs, const char* path) {
  std::string out = gates_format(gates);
  VfsFile* f = vfs_open(vfs, path, "wb");
  if (!f) {
    message_post("Can't open 'timing_gates'\n");
    return false;
  }
  int written = vfs_write(f, out.data(), int(out.size()));
  bool ok = written == int(out.size()) && vfs_flush(f) == 0;
  vfs_close(f);
  if (!ok) message_post("Can't write 'timing_gates'\n");
  return ok;
}
