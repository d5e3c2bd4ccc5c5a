#include "platform/log.h"

#include "platform/clock.h"

#include <cstdlib>
#include <cstring>
#include <vector>

LogState& log_global() {
  static LogState state;
  return state;
}

int log_format_stamp(char* out, size_t size, int64_t seconds, int32_t micros) {
  long long h = seconds / 3600;
  int m = int(seconds / 60 % 60);
  int s = int(seconds % 60);
  int hs = micros / 10000;
  return snprintf(out, size, "[%lld:%02d:%02d.%02d] ", h, m, s, hs);
}

static LogListener log_listener = nullptr;
static void* log_listener_context = nullptr;

void log_set_listener(LogListener listener, void* context) {
  log_listener = listener;
  log_listener_context = context;
}

static void log_write_line(LogState& log, const char* text, size_t len) {
  if (len == 0 || (unsigned char)text[0] == 0x13) return;  // 0x13 marks a line not for the log
  if (log_listener && &log == &log_global()) log_listener(log_listener_context, text);
  if (!log.file) return;
  char stamp[48];
  ClockTime now = clock_now();
  int n = log_format_stamp(stamp, sizeof stamp, now.seconds, now.micros);
  std::string line;
  line.reserve(size_t(n) + len);
  line.append(stamp, size_t(n));
  line.append(text, len);
  fwrite(line.data(), 1, line.size(), log.file);
  fflush(log.file);
}

// Chooses the log file on the first call. Returns true when the message was
// the program's request (which is not logged itself).
static bool log_decide(LogState& log, const char* message) {
  log.decided = true;
  const char* env_name = getenv("KELP_LOGFILE");
  const char* env_flags = getenv("KELP_LOGFILE_FLAGS");
  static const char request[] = "KELP_LOGFILE=";
  bool is_request = strncmp(message, request, sizeof request - 1) == 0;
  std::string name;
  if (is_request) {
    name = env_name ? env_name : message + sizeof request - 1;
  } else if (env_name) {
    name = env_name;
  } else {
    return false;
  }
  const char* mode = "w";
  if (name.compare(0, 2, ">>") == 0) {
    mode = "a";
    name.erase(0, 2);
  } else if (name.compare(0, 1, ">") == 0) {
    name.erase(0, 1);
  }
  if (env_flags) mode = env_flags;
  log.file = fopen(name.c_str(), mode);
  if (!log.file) return is_request;
  std::string opened = "Logfile \"" + name + "\" opened\n";
  log_write_line(log, opened.c_str(), opened.size());
  log_write_line(log, "KELP 0.31\n", 10);
  return is_request;
}

void log_vmessage(LogState& log, const char* format, va_list args) {
  if (!format) {
    std::lock_guard<std::mutex> guard(log.lock);
    if (log.file) fclose(log.file);
    log.file = nullptr;
    log.decided = true;
    return;
  }
  char small[1024];
  va_list copy;
  va_copy(copy, args);
  int n = vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (n < 0) return;
  std::vector<char> big;
  const char* text = small;
  if (size_t(n) >= sizeof small) {
    big.resize(size_t(n) + 1);
    vsnprintf(big.data(), big.size(), format, args);
    text = big.data();
  }
  std::lock_guard<std::mutex> guard(log.lock);
  if (!log.decided && log_decide(log, text)) return;
  log_write_line(log, text, size_t(n));
}

void log_to(LogState& log, const char* format, ...) {
  va_list args;
  va_start(args, format);
  log_vmessage(log, format, args);
  va_end(args);
}

void log_message(const char* format, ...) {
  va_list args;
  va_start(args, format);
  log_vmessage(log_global(), format, args);
  va_end(args);
}

void log_close() {
  LogState& log = log_global();
  std::lock_guard<std::mutex> guard(log.lock);
  if (log.file) fclose(log.file);
  log.file = nullptr;
  log.decided = true;
}

void log_error(const char* text) {
  LogState& log = log_global();
  {
    std::lock_guard<std::mutex> guard(log.lock);
    log.last_error = text ? text : "";
  }
  // Error texts usually end in their own line feed; one is enough.
  std::string t = text ? text : "";
  if (!t.empty() && t.back() == '\n') t.pop_back();
  log_message("Error: %s\n", t.c_str());
}

const char* log_last_error() { return log_global().last_error.c_str(); }
