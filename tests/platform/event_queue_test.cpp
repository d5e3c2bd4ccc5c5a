#include "platform/event_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

static ClockTime at(int64_t seconds, int32_t micros) { return ClockTime{seconds, micros}; }

// Stamp for the i-th event of a test: distinct and increasing.
static ClockTime stamp(int i) { return at(100 + i / 1000, (i % 1000) * 1000 + 7); }

TEST(EventQueue, FullQueueDeliversAllInOrderAndDropsTheNextPress) {
  EventQueue q;
  for (int i = 0; i < EventQueue::capacity; ++i)
    ASSERT_TRUE(event_queue_push(q, EVENT_KEY_BASE + i, true, stamp(i))) << i;
  EXPECT_FALSE(event_queue_push(q, EVENT_MOUSE_LEFT, true, stamp(999)));
  EXPECT_EQ(event_queue_count(q), EventQueue::capacity);

  InputEvent e;
  for (int i = 0; i < EventQueue::capacity; ++i) {
    ASSERT_TRUE(event_queue_pop(q, e)) << i;
    EXPECT_EQ(e.code, EVENT_KEY_BASE + i);
    EXPECT_TRUE(e.pressed);
    EXPECT_EQ(e.time.seconds, stamp(i).seconds);
    EXPECT_EQ(e.time.micros, stamp(i).micros);
  }
  EXPECT_FALSE(event_queue_pop(q, e));
  EXPECT_EQ(event_queue_count(q), 0);
}

TEST(EventQueue, CodesAndPressStateSurviveTheQueue) {
  const uint32_t codes[] = {'a', EVENT_KEY_BASE + 0x11D, EVENT_MOUSE_RIGHT, EVENT_WINDOW_CLOSE,
                            (0x7FFFu << 16) | 255u, (1u << 16) | 0u};
  EventQueue q;
  for (uint32_t c : codes) {
    ASSERT_TRUE(event_queue_push(q, c, true, stamp(0)));
    ASSERT_TRUE(event_queue_push(q, c, false, stamp(1)));
  }
  InputEvent e;
  for (uint32_t c : codes) {
    ASSERT_TRUE(event_queue_pop(q, e));
    EXPECT_EQ(e.code, c);
    EXPECT_TRUE(e.pressed) << std::hex << c;
    ASSERT_TRUE(event_queue_pop(q, e));
    EXPECT_EQ(e.code, c);
    EXPECT_FALSE(e.pressed) << std::hex << c;
  }
}

// A release arriving at a full queue must get in: it takes the place of the
// oldest press, or of the oldest event when only releases are queued.
TEST(EventQueue, ReleaseIntoFullQueueEvictsTheOldestPress) {
  struct Case {
    const char* name;
    int head_offset;      // events pushed and popped first, so the ring wraps
    int leading_releases; // queued events before the first press
    int evicted;          // position (oldest = 0) of the event that must go
  } cases[] = {
      {"all presses", 0, 0, 0},
      {"releases ahead of the first press", 0, 10, 10},
      {"first press across the ring's end", 200, 100, 100},
      {"wrapped, all presses", 130, 0, 0},
      {"only releases", 0, EventQueue::capacity, 0},
      {"only releases, wrapped", 77, EventQueue::capacity, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventQueue q;
    InputEvent e;
    for (int i = 0; i < c.head_offset; ++i) {
      event_queue_push(q, 1, true, stamp(0));
      event_queue_pop(q, e);
    }
    for (int i = 0; i < EventQueue::capacity; ++i)
      ASSERT_TRUE(event_queue_push(q, EVENT_KEY_BASE + i, i >= c.leading_releases, stamp(i)));

    const uint32_t released = EVENT_MOUSE_MIDDLE;
    EXPECT_TRUE(event_queue_push(q, released, false, stamp(500)));
    EXPECT_EQ(event_queue_count(q), EventQueue::capacity);
    // Full again: a further press is still dropped.
    EXPECT_FALSE(event_queue_push(q, EVENT_MOUSE_LEFT, true, stamp(501)));

    for (int i = 0; i < EventQueue::capacity; ++i) {
      if (i == c.evicted) continue;
      ASSERT_TRUE(event_queue_pop(q, e));
      EXPECT_EQ(e.code, EVENT_KEY_BASE + i);
      EXPECT_EQ(e.pressed, i >= c.leading_releases);
      EXPECT_EQ(e.time.micros, stamp(i).micros);
    }
    ASSERT_TRUE(event_queue_pop(q, e));
    EXPECT_EQ(e.code, released);
    EXPECT_FALSE(e.pressed);
    EXPECT_EQ(e.time.seconds, stamp(500).seconds);
    EXPECT_EQ(e.time.micros, stamp(500).micros);
    EXPECT_FALSE(event_queue_pop(q, e));
  }
}

TEST(EventQueue, PopUntilTakesOnlyEventsStampedAtOrBeforeTheTime) {
  struct Case {
    ClockTime head;
    ClockTime t;
    bool taken;
  } cases[] = {
      {at(5, 250000), at(5, 249999), false},
      {at(5, 250000), at(5, 250000), true},
      {at(5, 250000), at(5, 250001), true},
      {at(5, 0), at(4, 999999), false},       // seconds decide before micros
      {at(5, 250000), at(6, 0), true},
      {at(5, 999999), at(6, 0), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.head.seconds << "." << c.head.micros << " at "
                                    << c.t.seconds << "." << c.t.micros);
    EventQueue q;
    event_queue_push(q, EVENT_KEY_BASE + 0x39, true, c.head);
    InputEvent e{};
    EXPECT_EQ(event_queue_pop_until(q, c.t, e), c.taken);
    EXPECT_EQ(event_queue_count(q), c.taken ? 0 : 1);
    if (c.taken) {
      EXPECT_EQ(e.code, EVENT_KEY_BASE + 0x39);
    }
  }

  // With several queued, only those up to the time come out, oldest first.
  EventQueue q;
  event_queue_push(q, 1, true, at(1, 0));
  event_queue_push(q, 2, false, at(2, 0));
  event_queue_push(q, 3, true, at(3, 0));
  InputEvent e;
  ASSERT_TRUE(event_queue_pop_until(q, at(2, 500), e));
  EXPECT_EQ(e.code, 1u);
  ASSERT_TRUE(event_queue_pop_until(q, at(2, 500), e));
  EXPECT_EQ(e.code, 2u);
  EXPECT_FALSE(event_queue_pop_until(q, at(2, 500), e));
  EXPECT_EQ(event_queue_count(q), 1);
  EventQueue empty;
  EXPECT_FALSE(event_queue_pop_until(empty, at(9, 0), e));
}

TEST(EventQueue, ClearEmptiesAndTheQueueTakesAFullLoadAgain) {
  EventQueue q;
  for (int i = 0; i < 40; ++i) event_queue_push(q, EVENT_KEY_BASE + i, true, stamp(i));
  event_queue_clear(q);
  InputEvent e;
  EXPECT_EQ(event_queue_count(q), 0);
  EXPECT_FALSE(event_queue_pop(q, e));
  for (int i = 0; i < EventQueue::capacity; ++i)
    ASSERT_TRUE(event_queue_push(q, EVENT_KEY_BASE + i, true, stamp(i)));
  ASSERT_TRUE(event_queue_pop(q, e));
  EXPECT_EQ(e.code, EVENT_KEY_BASE);
}

// Two threads push while the main thread pops. Every push is either queued or
// reported dropped, every queued event comes out once, and each producer's
// events come out in the order it pushed them.
TEST(EventQueue, ConcurrentPushersAndAPopperAgree) {
  constexpr int per_thread = 50000;
  EventQueue q;
  std::atomic<int> queued{0}, dropped{0}, finished{0};
  auto producer = [&](uint32_t id) {
    for (int i = 0; i < per_thread; ++i) {
      if (event_queue_push(q, (id << 24) | uint32_t(i), true, stamp(i))) queued++;
      else dropped++;
    }
    finished++;
  };
  std::thread a(producer, 1u), b(producer, 2u);

  int popped = 0;
  int next[3] = {0, 0, 0};  // lowest sequence number still possible per producer
  bool in_order = true;
  InputEvent e;
  for (;;) {
    bool done = finished.load() == 2;
    if (event_queue_pop(q, e)) {
      popped++;
      uint32_t id = e.code >> 24;
      int seq = int(e.code & 0xFFFFFF);
      if ((id != 1 && id != 2) || seq < next[id]) in_order = false;
      else next[id] = seq + 1;
    } else if (done) {
      break;
    } else {
      std::this_thread::yield();
    }
  }
  a.join();
  b.join();

  EXPECT_TRUE(in_order);
  EXPECT_EQ(queued.load() + dropped.load(), 2 * per_thread);
  EXPECT_EQ(popped, queued.load());
  EXPECT_EQ(event_queue_count(q), 0);
}
