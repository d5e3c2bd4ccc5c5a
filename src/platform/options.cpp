#include "platform/options.h"

#include "platform/log.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const std::string& options_text() {
  static const std::string text = [] {
    const char* v = getenv("KELP_OPTIONS");
    return std::string(v ? v : "");
  }();
  return text;
}

// Points at the value of option name in text, or null when absent.
static const char* options_find(const char* text, const char* name) {
  char key[80];
  snprintf(key, sizeof key, "[%.60s:", name);
  const char* at = strstr(text, key);
  return at ? at + strlen(key) : nullptr;
}

static bool word_then_bracket(const char* v, const char* word) {
  size_t n = strlen(word);
  return strncmp(v, word, n) == 0 && v[n] == ']';
}

int options_text_bool(const char* text, const char* name, int default_value) {
  const char* v = options_find(text, name);
  if (!v) return default_value;
  if (word_then_bracket(v, "yes") || word_then_bracket(v, "on")) return 1;
  if (word_then_bracket(v, "no") || word_then_bracket(v, "off")) return 0;
  log_message("unrecognized setting for %s\n", name);
  return default_value;
}

int options_text_int(const char* text, const char* name, int default_value) {
  const char* v = options_find(text, name);
  if (!v) return default_value;
  const char* p = v;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (!isdigit((unsigned char)*p)) {
    log_message("unrecognized setting for %s\n", name);
    return default_value;
  }
  long long value = 0;
  while (isdigit((unsigned char)*p)) {
    if (value < 100000000000LL) value = value * 10 + (*p - '0');
    ++p;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  if (value < -2147483648LL) value = -2147483648LL;
  return int(value);
}

int option_bool(const char* name, int default_value) {
  return options_text_bool(options_text().c_str(), name, default_value);
}

int option_int(const char* name, int default_value) {
  return options_text_int(options_text().c_str(), name, default_value);
}
