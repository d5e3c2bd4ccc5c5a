#include "track/track_text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

void track_appendf(std::string& out, const char* format, ...) {
  char text[2200];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return;
  if (size_t(n) < sizeof text) {
    out.append(text, size_t(n));
    return;
  }
  std::vector<char> big(size_t(n) + 1);
  va_start(args, format);
  vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  out.append(big.data(), size_t(n));
}
