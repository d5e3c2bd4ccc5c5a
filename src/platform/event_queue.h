// The program's input-event queue: keys, mouse buttons, typed characters,
// device buttons and the window's close request, in the order they happened.
// The window thread and device threads push; the main loop pops.
//
// Event codes:
//   0x0000-0x00FF  typed character (press only)
//   0x1000 + s     keyboard key, s = set-1 scan code (bit 8 set: extended key)
//   0x2000-0x2002  mouse left, middle, right
//   0xDEAD         window close
//   (d << 16) + n  device d's button n (d in 1..0x7FFF, n in 0..255)
#pragma once
#include <cstdint>
#include <mutex>

#include "platform/clock.h"

constexpr uint32_t EVENT_KEY_BASE = 0x1000;
constexpr uint32_t EVENT_MOUSE_LEFT = 0x2000;
constexpr uint32_t EVENT_MOUSE_MIDDLE = 0x2001;
constexpr uint32_t EVENT_MOUSE_RIGHT = 0x2002;
constexpr uint32_t EVENT_WINDOW_CLOSE = 0xDEAD;
constexpr uint32_t EVENT_RELEASE_BIT = 0x80000000u;  // in stored codes only

struct InputEvent {
  uint32_t code;   // without the release bit
  bool pressed;    // false for a release
  ClockTime time;  // when it happened, on clock_now's clock
};

struct EventQueue {
  static constexpr int capacity = 256;
  uint32_t codes[capacity];  // event code, EVENT_RELEASE_BIT set for a release
  ClockTime times[capacity];
  int head = 0;   // slot of the oldest event
  int count = 0;  // events queued
  std::mutex lock;
};

// Queues an event (safe from any thread). A press that finds the queue full
// is dropped (returns false). A release is always queued: when the queue is
// full it makes room by removing the oldest queued press, or the oldest event
// when no press is queued, so no control is left held down.
bool event_queue_push(EventQueue& q, uint32_t code, bool pressed, ClockTime time);
// Takes the oldest event; false when the queue is empty.
bool event_queue_pop(EventQueue& q, InputEvent& out);
// Takes the oldest event only if it is stamped at or before t.
bool event_queue_pop_until(EventQueue& q, ClockTime t, InputEvent& out);
int event_queue_count(EventQueue& q);
void event_queue_clear(EventQueue& q);
