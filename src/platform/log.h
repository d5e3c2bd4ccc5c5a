// The diagnostic log ("lastlog.txt"): time-stamped lines, one write per line,
// safe to call from any thread. What the player must see goes elsewhere.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

struct LogState {
  bool decided = false;      // the first log call has chosen the file (or none)
  FILE* file = nullptr;      // open log file, or none (logging off)
  std::mutex lock;           // one line is written and flushed under it
  std::string last_error = "Unknown";  // text of the latest log_error
};

// The process-wide log used by log_message.
LogState& log_global();

// Writes one line: "[h:mm:ss.hh] " then the formatted text (caller adds "\n").
// A null format closes the log; later lines are dropped. The very first call
// decides the file: "KELP_LOGFILE=<path>" is the program's request (the
// environment variable KELP_LOGFILE, when set, wins); otherwise only the
// environment variable can switch logging on.
void log_message(const char* format, ...) __attribute__((format(printf, 1, 2)));
void log_vmessage(LogState& log, const char* format, va_list args);
void log_to(LogState& log, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Closes the process-wide log (the same as a log call with no text).
void log_close();
// Logs "Error: %s\n" and remembers the text as the last error.
void log_error(const char* text);
const char* log_last_error();

// Also hands every logged line (without its stamp) to a listener, for tools
// that show the log as it is written. Null removes it.
using LogListener = void (*)(void* context, const char* text);
void log_set_listener(LogListener listener, void* context);

// "[%d:%02d:%02d.%02d] " for a clock reading; hours are not wrapped.
// Returns the length written (the buffer needs at least 32 bytes).
int log_format_stamp(char* out, size_t size, int64_t seconds, int32_t micros);
