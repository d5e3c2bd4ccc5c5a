#include "platform/clock.h"

#include <ctime>
#include <sched.h>

int64_t clock_millis() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

ClockTime clock_now() {
  int64_t t = clock_millis();
  return ClockTime{t / 1000, int32_t(t % 1000) * 1000};
}

double clock_to_double(ClockTime t) { return double(t.seconds) + t.micros * 1e-6; }

bool clock_before(ClockTime a, ClockTime b) {
  return a.seconds < b.seconds || (a.seconds == b.seconds && a.micros < b.micros);
}

void clock_sleep(int64_t seconds, int32_t micros) {
  int64_t start = clock_millis();
  int64_t d = seconds * 1000 + micros / 1000;
  // Coarse sleep to a millisecond short of the target, then yield until it.
  int64_t coarse = d > 1 ? d - 1 : d;
  if (coarse > 0) {
    timespec req{time_t(coarse / 1000), long(coarse % 1000) * 1000000L};
    while (nanosleep(&req, &req) != 0) {
    }
  }
  while (clock_millis() < start + d) sched_yield();
}
