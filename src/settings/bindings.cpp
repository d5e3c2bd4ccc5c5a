// Control bindings: their text form in "@config" and their resolution
// against the keys and axes of the input layer.
#include "settings/settings.h"

#include "platform/input.h"

#include <cctype>
#include <cstdio>
#include <cstring>

std::string binding_format(const ControlBinding& b) {
  char buf[2048];
  if (b.axis_name) {
    snprintf(buf, sizeof buf, "(%f,%f)%s", double(b.low), double(b.high), b.axis_name);
    return buf;
  }
  // An unbound binding is written with an empty value, so that the player's
  // choice to unbind it survives the next start instead of the default key.
  if (!b.key_name || !*b.key_name) return std::string();
  return std::string("(k)") + b.key_name;
}

void binding_parse(ControlBinding& b, const char* text) {
  while (isspace((unsigned char)*text)) ++text;
  binding_release(b);
  b.key_name = nullptr;
  b.code = 0;
  b.low = 0;
  b.high = 1;
  b.axis_name = nullptr;
  float low, high;
  const char* close = strchr(text, ')');
  if (text[0] == '(' && close && sscanf(text, "(%f,%f)", &low, &high) == 2) {
    b.low = low;
    b.high = high;
    if (close[1]) {
      b.axis_name = name_pool(close + 1);
      return;
    }
  }
  if (strncmp(text, "(k)", 3) == 0) text += 3;
  if (*text) b.key_name = name_pool(text);
}

void binding_release(ControlBinding& b) {
  if (b.axis) axis_close(b.axis);
  b.axis = nullptr;
}

void binding_resolve(ControlBinding& b, InputDevices* devices) {
  binding_release(b);
  b.code = 0;
  if (b.axis_name) {
    b.axis = devices ? axis_open(devices, b.axis_name) : nullptr;
    return;
  }
  if (b.key_name) b.code = key_code(devices, b.key_name);
}
