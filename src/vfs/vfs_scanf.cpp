#include "vfs/vfs_scanf.h"

#include <climits>
#include <cstdlib>

#include "vfs/vfs.h"

// ---------------------------------------------------------------------------
// Reading bytes

enum { SCAN_NONE = -2 };  // "no byte was read" (distinct from -1, the end)

// The source plus the count of bytes consumed (what %n reports).
struct ScanReader {
  ScanSource* source;
  int consumed;
};

static int scan_get(ScanReader& r) {
  int c = r.source->next(r.source->context);
  if (c >= 0) ++r.consumed;
  return c;
}

// Gives back c, the byte just read; the end and SCAN_NONE are not bytes.
static void scan_unget(ScanReader& r, int c) {
  if (c < 0) return;
  r.source->push_back(r.source->context, c);
  --r.consumed;
}

static bool scan_is_space(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static bool scan_is_digit(int c) { return c >= '0' && c <= '9'; }

static int scan_lower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Value of c as a digit in any base up to 16, or 99.
static int scan_digit_value(int c) {
  if (scan_is_digit(c)) return c - '0';
  c = scan_lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 99;
}

static void scan_skip_space(ScanReader& r) {
  int c;
  do c = scan_get(r);
  while (scan_is_space(c));
  scan_unget(r, c);
}

// ---------------------------------------------------------------------------
// One conversion

enum ScanSize { SCAN_SIZE_HH, SCAN_SIZE_H, SCAN_SIZE_INT, SCAN_SIZE_L, SCAN_SIZE_LL };

enum ScanOutcome { SCAN_OK, SCAN_MISMATCH, SCAN_INPUT_END };

struct ScanConversion {
  bool suppress;
  int width;  // -1: none given
  ScanSize size;
  bool wide;  // "l": double for floats
};

// Stores the low bits of value into the integer argument the size names.
static void scan_store_integer(va_list& args, ScanSize size, unsigned long long value) {
  switch (size) {
    case SCAN_SIZE_HH: *va_arg(args, signed char*) = (signed char)value; break;
    case SCAN_SIZE_H: *va_arg(args, short*) = (short)value; break;
    case SCAN_SIZE_INT: *va_arg(args, int*) = (int)value; break;
    case SCAN_SIZE_L: *va_arg(args, long*) = (long)value; break;
    case SCAN_SIZE_LL: *va_arg(args, long long*) = (long long)value; break;
  }
}

// Clamps a magnitude (saturated when over) the way strtol (is_signed) or
// strtoul does for a type whose range is [-max-1, max] or [0, umax].
static unsigned long long scan_clamp(unsigned long long magnitude, bool over, bool negative,
                                     bool is_signed, unsigned long long max,
                                     unsigned long long umax) {
  if (is_signed) {
    if (negative) {
      if (over || magnitude > max + 1) return 0 - (max + 1);
      return 0 - magnitude;
    }
    if (over || magnitude > max) return max;
    return magnitude;
  }
  if (over || magnitude > umax) return umax;
  return negative ? (0 - magnitude) & umax : magnitude;
}

// Integers: base 0 is %i (prefix decides), else 8, 10 or 16.
static ScanOutcome scan_integer(ScanReader& r, const ScanConversion& conv, int base, bool is_signed,
                                va_list& args) {
  scan_skip_space(r);
  int w = conv.width;
  int c = scan_get(r);
  if (c < 0) return SCAN_INPUT_END;
  bool negative = false;
  if (c == '+' || c == '-') {
    negative = c == '-';
    if (w > 0) --w;
    if (w == 0) return SCAN_MISMATCH;
    c = scan_get(r);
  }
  bool any_digit = false;
  if (w != 0 && c == '0') {
    any_digit = true;
    if (w > 0) --w;
    c = w != 0 ? scan_get(r) : SCAN_NONE;
    if (w != 0 && scan_lower(c) == 'x' && (base == 0 || base == 16)) {
      // The "x" is taken even when no hex digit follows: the value is then 0.
      base = 16;
      if (w > 0) --w;
      c = w != 0 ? scan_get(r) : SCAN_NONE;
    } else if (base == 0) {
      base = 8;
    }
  }
  if (base == 0) base = 10;
  unsigned long long magnitude = 0;
  bool over = false;
  while (c >= 0) {
    int d = scan_digit_value(c);
    if (d >= base) break;
    any_digit = true;
    if (magnitude > (ULLONG_MAX - (unsigned)d) / (unsigned)base)
      over = true;
    else
      magnitude = magnitude * (unsigned)base + (unsigned)d;
    if (w > 0) --w;
    c = w != 0 ? scan_get(r) : SCAN_NONE;
  }
  scan_unget(r, c);
  if (!any_digit) return SCAN_MISMATCH;
  if (conv.suppress) return SCAN_OK;
  unsigned long long value =
      conv.size == SCAN_SIZE_LL
          ? scan_clamp(magnitude, over, negative, is_signed, LLONG_MAX, ULLONG_MAX)
          : scan_clamp(magnitude, over, negative, is_signed, LONG_MAX, ULONG_MAX);
  scan_store_integer(args, conv.size, value);
  return SCAN_OK;
}

enum { SCAN_FLOAT_TEXT = 255 };

// The text of a float field as it is collected, bounded by the field width
// and by the buffer.
struct ScanFloatText {
  char text[SCAN_FLOAT_TEXT + 1];
  int n;
  int w;  // bytes still allowed in the field, -1 without a width
};

// The next byte of the field, or SCAN_NONE when the field is full.
static int scan_float_next(ScanReader& r, ScanFloatText& t) {
  if (t.w == 0 || t.n >= SCAN_FLOAT_TEXT) return SCAN_NONE;
  int c = scan_get(r);
  if (c >= 0 && t.w > 0) --t.w;
  return c;
}

static void scan_float_add(ScanFloatText& t, int c) { t.text[t.n++] = (char)c; }

// Matches the rest of a word such as "an" after "n"; c is the byte before
// it, already added. False (the breaking byte given back) on a mismatch.
static bool scan_float_word(ScanReader& r, ScanFloatText& t, const char* rest) {
  for (; *rest; ++rest) {
    int c = scan_float_next(r, t);
    if (scan_lower(c) != *rest) {
      scan_unget(r, c);
      return false;
    }
    scan_float_add(t, c);
  }
  return true;
}

// Collects the longest text that may still become a number, then converts
// it with strtof or strtod.
static ScanOutcome scan_float(ScanReader& r, const ScanConversion& conv, va_list& args) {
  scan_skip_space(r);
  ScanFloatText t;
  t.n = 0;
  t.w = conv.width;
  int c = scan_get(r);
  if (c < 0) return SCAN_INPUT_END;
  if (t.w > 0) --t.w;
  int sign = 0;
  if (c == '+' || c == '-') {
    sign = 1;
    scan_float_add(t, c);
    c = scan_float_next(r, t);
    if (c < 0) return SCAN_MISMATCH;
  }
  bool hex = false;
  int lc = scan_lower(c);
  if (lc == 'n' || lc == 'i') {
    scan_float_add(t, c);
    if (!scan_float_word(r, t, lc == 'n' ? "an" : "nf")) return SCAN_MISMATCH;
    if (lc == 'i') {
      c = scan_float_next(r, t);
      if (scan_lower(c) == 'i') {
        scan_float_add(t, c);
        if (!scan_float_word(r, t, "nity")) return SCAN_MISMATCH;
      } else {
        scan_unget(r, c);
      }
    }
  } else {
    bool got_digit = false, got_dot = false, got_exponent = false;
    char exponent = 'e';
    if (c == '0') {
      scan_float_add(t, c);
      c = scan_float_next(r, t);
      if (t.w != 0 && scan_lower(c) == 'x') {
        scan_float_add(t, c);
        hex = true;
        exponent = 'p';
        c = scan_float_next(r, t);
      } else {
        got_digit = true;
      }
    }
    for (; c >= 0; c = scan_float_next(r, t)) {
      if (scan_is_digit(c) || (hex && !got_exponent && scan_digit_value(c) < 16)) {
        scan_float_add(t, c);
        got_digit = true;
      } else if (got_exponent && t.text[t.n - 1] == exponent && (c == '+' || c == '-')) {
        scan_float_add(t, c);
      } else if (got_digit && !got_exponent && scan_lower(c) == exponent) {
        scan_float_add(t, exponent);
        got_exponent = got_dot = true;
      } else if (!got_dot && c == '.') {
        scan_float_add(t, c);
        got_dot = true;
      } else {
        scan_unget(r, c);
        break;
      }
    }
    if (t.n == sign || (hex && t.n == sign + 2)) return SCAN_MISMATCH;
  }
  t.text[t.n] = '\0';
  char* end = nullptr;
  if (conv.wide) {
    double d = strtod(t.text, &end);
    if (end == t.text) return SCAN_MISMATCH;
    if (!conv.suppress) *va_arg(args, double*) = d;
  } else {
    float f = strtof(t.text, &end);
    if (end == t.text) return SCAN_MISMATCH;
    if (!conv.suppress) *va_arg(args, float*) = f;
  }
  return SCAN_OK;
}

static ScanOutcome scan_string(ScanReader& r, const ScanConversion& conv, va_list& args) {
  scan_skip_space(r);
  int c = scan_get(r);
  if (c < 0) return SCAN_INPUT_END;
  char* out = conv.suppress ? nullptr : va_arg(args, char*);
  int w = conv.width;
  while (c >= 0) {
    if (scan_is_space(c)) {
      scan_unget(r, c);
      break;
    }
    if (out) *out++ = (char)c;
    if (w > 0 && --w == 0) break;
    c = scan_get(r);
  }
  if (out) *out = '\0';
  return SCAN_OK;
}

static ScanOutcome scan_chars(ScanReader& r, const ScanConversion& conv, va_list& args) {
  int c = scan_get(r);
  if (c < 0) return SCAN_INPUT_END;
  char* out = conv.suppress ? nullptr : va_arg(args, char*);
  int w = conv.width < 0 ? 1 : conv.width;
  for (;;) {
    if (out) *out++ = (char)c;
    if (--w == 0) break;
    c = scan_get(r);
    if (c < 0) break;
  }
  return SCAN_OK;
}

// Reads the set of %[ starting after "[" and leaves f after its "]"; false
// when the format ends first.
static bool scan_parse_set(const char*& f, bool set[256]) {
  bool negate = *f == '^';
  if (negate) ++f;
  for (int i = 0; i < 256; ++i) set[i] = false;
  const unsigned char* p = (const unsigned char*)f;
  // "]" or "-" first is a member, not the end or a range.
  if (*p == ']' || *p == '-') set[*p++] = true;
  for (; *p && *p != ']'; ++p) {
    if (*p == '-' && p[1] && p[1] != ']' && p[-1] <= p[1]) {
      // A range: from the byte before up to the byte after, which the next
      // round adds. A reversed range such as "z-a" is three members.
      for (int c = p[-1]; c < p[1]; ++c) set[c] = true;
    } else {
      set[*p] = true;
    }
  }
  if (!*p) return false;
  f = (const char*)p + 1;
  if (negate)
    for (int i = 0; i < 256; ++i) set[i] = !set[i];
  return true;
}

static ScanOutcome scan_set(ScanReader& r, const ScanConversion& conv, const char*& f,
                            va_list& args) {
  bool set[256];
  if (!scan_parse_set(f, set)) return SCAN_MISMATCH;
  int c = scan_get(r);
  if (c < 0) return SCAN_INPUT_END;
  char* out = conv.suppress ? nullptr : va_arg(args, char*);
  int w = conv.width, taken = 0;
  while (c >= 0) {
    if (!set[c]) {
      scan_unget(r, c);
      break;
    }
    if (out) out[taken] = (char)c;
    ++taken;
    if (w > 0 && --w == 0) break;
    c = scan_get(r);
  }
  if (taken == 0) return SCAN_MISMATCH;
  if (out) out[taken] = '\0';
  return SCAN_OK;
}

// Matches one literal byte (after skipping white space for "%%").
static ScanOutcome scan_literal(ScanReader& r, int want) {
  int c = scan_get(r);
  if (c < 0) return SCAN_INPUT_END;
  if (c != want) {
    scan_unget(r, c);
    return SCAN_MISMATCH;
  }
  return SCAN_OK;
}

// Parses "*", the width and the size of a conversion, leaving f on its letter.
static ScanConversion scan_parse_conversion(const char*& f) {
  ScanConversion conv{false, -1, SCAN_SIZE_INT, false};
  if (*f == '*') {
    conv.suppress = true;
    ++f;
  }
  if (scan_is_digit(*f)) {
    int width = 0;
    for (; scan_is_digit(*f); ++f)
      width = width > (INT_MAX - 9) / 10 ? INT_MAX : width * 10 + (*f - '0');
    if (width > 0) conv.width = width;  // "%0d" is the same as "%d"
  }
  if (*f == 'h') {
    ++f;
    conv.size = SCAN_SIZE_H;
    if (*f == 'h') {
      ++f;
      conv.size = SCAN_SIZE_HH;
    }
  } else if (*f == 'l') {
    ++f;
    conv.size = SCAN_SIZE_L;
    conv.wide = true;
    if (*f == 'l') {
      ++f;
      conv.size = SCAN_SIZE_LL;
    }
  } else if (*f == 'L' || *f == 'q') {
    ++f;
    conv.size = SCAN_SIZE_LL;
    conv.wide = true;
  }
  return conv;
}

static void scan_store_count(va_list& args, ScanSize size, int count) {
  scan_store_integer(args, size, (unsigned long long)(long long)count);
}

// va_list may be an array type; the helpers take it by reference so that
// every va_arg advances the caller's list.
static int scan_run(ScanSource& source, const char* format, va_list& args) {
  ScanReader r{&source, 0};
  int assigned = 0;
  const char* f = format;
  while (*f) {
    unsigned char fc = (unsigned char)*f;
    if (scan_is_space(fc)) {
      while (scan_is_space((unsigned char)*f)) ++f;
      scan_skip_space(r);
      continue;
    }
    ++f;
    ScanOutcome outcome;
    if (fc != '%') {
      outcome = scan_literal(r, fc);
    } else {
      ScanConversion conv = scan_parse_conversion(f);
      char letter = *f;
      if (letter) ++f;
      switch (letter) {
        case 'd': outcome = scan_integer(r, conv, 10, true, args); break;
        case 'i': outcome = scan_integer(r, conv, 0, true, args); break;
        case 'o': outcome = scan_integer(r, conv, 8, false, args); break;
        case 'u': outcome = scan_integer(r, conv, 10, false, args); break;
        case 'x':
        case 'X': outcome = scan_integer(r, conv, 16, false, args); break;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A': outcome = scan_float(r, conv, args); break;
        case 's': outcome = conv.wide ? SCAN_MISMATCH : scan_string(r, conv, args); break;
        case 'c': outcome = conv.wide ? SCAN_MISMATCH : scan_chars(r, conv, args); break;
        case '[': outcome = conv.wide ? SCAN_MISMATCH : scan_set(r, conv, f, args); break;
        case 'n':
          if (!conv.suppress) scan_store_count(args, conv.size, r.consumed);
          continue;
        case '%':
          scan_skip_space(r);
          outcome = scan_literal(r, '%');
          break;
        default: outcome = SCAN_MISMATCH; break;  // unknown, or the format ends after "%"
      }
      if (outcome == SCAN_OK && !conv.suppress && letter != '%') ++assigned;
    }
    if (outcome == SCAN_INPUT_END) return assigned ? assigned : -1;
    if (outcome == SCAN_MISMATCH) break;
  }
  return assigned;
}

int scan_format(ScanSource& source, const char* format, va_list args) {
  va_list own;
  va_copy(own, args);
  int result = scan_run(source, format, own);
  va_end(own);
  return result;
}

// ---------------------------------------------------------------------------
// Sources

static int scan_string_next(void* context) {
  ScanString& s = *(ScanString*)context;
  unsigned char c = (unsigned char)s.text[s.pos];
  if (c == 0) return -1;
  ++s.pos;
  return c;
}

static void scan_string_push_back(void* context, int c) {
  ScanString& s = *(ScanString*)context;
  if (c >= 0 && s.pos > 0) --s.pos;
}

ScanSource scan_string_source(ScanString& s) {
  return ScanSource{scan_string_next, scan_string_push_back, &s};
}

// A stream as a source; it also counts the bytes it has kept consumed.
struct VfsScanContext {
  VfsFile* file;
  int consumed;
};

static int vfs_scan_next(void* context) {
  VfsScanContext& v = *(VfsScanContext*)context;
  int c = vfs_getc_pushed(v.file);
  if (c >= 0) ++v.consumed;
  return c;
}

static void vfs_scan_push_back(void* context, int c) {
  VfsScanContext& v = *(VfsScanContext*)context;
  v.file->pushed = c;
  --v.consumed;
}

static int vfs_scan_source(VfsFile* f, int& consumed, const char* format, ...) {
  VfsScanContext v{f, 0};
  ScanSource source{vfs_scan_next, vfs_scan_push_back, &v};
  va_list args;
  va_start(args, format);
  int result = scan_format(source, format, args);
  va_end(args);
  consumed = v.consumed;
  return result;
}

int vfs_vscanf(VfsFile* f, const char* format, va_list args) {
  VfsScanContext v{f, 0};
  ScanSource source{vfs_scan_next, vfs_scan_push_back, &v};
  return scan_format(source, format, args);
}

int vfs_scanf(VfsFile* f, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = vfs_vscanf(f, format, args);
  va_end(args);
  return result;
}

void vfs_skip_comments(VfsFile* f) {
  // Each round takes the white space and, when a "#" follows, the rest of its
  // line. A round that stops before the "#" reports nothing through the
  // format, so the source's own count tells when a round took nothing.
  for (;;) {
    int consumed = 0;
    vfs_scan_source(f, consumed, " #%*[^\n]");
    if (consumed == 0) break;
  }
}

int vfs_read_int(VfsFile* f) {
  int value = 0;
  if (vfs_scanf(f, "%d", &value) != 1) return INT_MIN;
  return value;
}
