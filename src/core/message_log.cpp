#include "core/message_log.h"

#include <cstring>

void message_log_post(MessageLog& log, const char* text, double now) {
  std::string line = text ? text : "";
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  log.lines.push_back(line);
  size_t limit = log.max_lines > 0 ? size_t(log.max_lines) : 0;
  while (log.lines.size() > limit) log.lines.pop_front();
  log.expiry = now + 2;
}

void message_log_age(MessageLog& log, double now) {
  if (log.lines.empty() || !(now > log.expiry)) return;
  log.lines.pop_front();
  log.expiry = now + 5;
}
