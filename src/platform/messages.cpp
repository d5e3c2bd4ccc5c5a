#include "platform/messages.h"

#include "platform/log.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

static void message_to_log(void*, const char* text) {
  size_t n = strlen(text);
  const char* reset = strchr(text, 27) ? "\033[0m" : "";
  if (n > 0 && text[n - 1] == '\n')
    log_message("%s%s", text, reset);
  else
    log_message("%s%s\n", text, reset);
}

static MessageSink message_sink = message_to_log;
static void* message_context = nullptr;

void message_set_sink(MessageSink sink, void* context) {
  message_sink = sink ? sink : message_to_log;
  message_context = sink ? context : nullptr;
}

void message_post(const char* format, ...) {
  char small[512];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(small, sizeof small, format, args);
  va_end(args);
  if (n < 0) return;
  if (size_t(n) < sizeof small) {
    message_sink(message_context, small);
    return;
  }
  std::vector<char> big(size_t(n) + 1);
  va_start(args, format);
  vsnprintf(big.data(), big.size(), format, args);
  va_end(args);
  message_sink(message_context, big.data());
}
