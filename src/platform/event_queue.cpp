#include "platform/event_queue.h"

static int slot(const EventQueue& q, int i) { return (q.head + i) % EventQueue::capacity; }

// Removes the i-th oldest event, moving the newer ones up to close the gap.
static void remove_at(EventQueue& q, int i) {
  for (int j = i; j + 1 < q.count; ++j) {
    q.codes[slot(q, j)] = q.codes[slot(q, j + 1)];
    q.times[slot(q, j)] = q.times[slot(q, j + 1)];
  }
  q.count--;
}

bool event_queue_push(EventQueue& q, uint32_t code, bool pressed, ClockTime time) {
  std::lock_guard<std::mutex> hold(q.lock);
  if (q.count == EventQueue::capacity) {
    if (pressed) return false;
    int victim = 0;  // no press queued: the oldest event goes
    for (int i = 0; i < q.count; ++i) {
      if (!(q.codes[slot(q, i)] & EVENT_RELEASE_BIT)) {
        victim = i;
        break;
      }
    }
    remove_at(q, victim);
  }
  int s = slot(q, q.count);
  q.codes[s] = (code & ~EVENT_RELEASE_BIT) | (pressed ? 0 : EVENT_RELEASE_BIT);
  q.times[s] = time;
  q.count++;
  return true;
}

static void take_head(EventQueue& q, InputEvent& out) {
  uint32_t stored = q.codes[q.head];
  out.code = stored & ~EVENT_RELEASE_BIT;
  out.pressed = !(stored & EVENT_RELEASE_BIT);
  out.time = q.times[q.head];
  q.head = slot(q, 1);
  q.count--;
}

bool event_queue_pop(EventQueue& q, InputEvent& out) {
  std::lock_guard<std::mutex> hold(q.lock);
  if (q.count == 0) return false;
  take_head(q, out);
  return true;
}

bool event_queue_pop_until(EventQueue& q, ClockTime t, InputEvent& out) {
  std::lock_guard<std::mutex> hold(q.lock);
  if (q.count == 0 || clock_before(t, q.times[q.head])) return false;
  take_head(q, out);
  return true;
}

int event_queue_count(EventQueue& q) {
  std::lock_guard<std::mutex> hold(q.lock);
  return q.count;
}

void event_queue_clear(EventQueue& q) {
  std::lock_guard<std::mutex> hold(q.lock);
  q.head = 0;
  q.count = 0;
}
