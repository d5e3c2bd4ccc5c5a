// The program's one monotonic clock. Event time stamps, log stamps and the
// main loop's tic schedule all read it, so they can be compared directly.
#pragma once
#include <cstdint>

struct ClockTime {
  int64_t seconds;  // whole seconds since the clock's origin (system start)
  int32_t micros;   // 0..999999
};

// Milliseconds on the same clock.
int64_t clock_millis();
// Current time, millisecond resolution (micros is a multiple of 1000).
ClockTime clock_now();
// Returns after at least seconds + micros have passed on clock_now's clock.
void clock_sleep(int64_t seconds, int32_t micros);
// Seconds as a double, for timing arithmetic.
double clock_to_double(ClockTime t);
// a < b, comparing seconds, then microseconds.
bool clock_before(ClockTime a, ClockTime b);
