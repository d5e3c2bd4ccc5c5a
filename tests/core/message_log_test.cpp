// The player's message lines: how many show, and how they age away.
#include "core/message_log.h"

#include <gtest/gtest.h>

TEST(MessageLog, LinesShowTwoSecondsThenGoOneEveryFive) {
  MessageLog log;
  log.max_lines = 3;
  message_log_post(log, "one\n", 10);
  message_log_post(log, "two", 10.5);
  EXPECT_EQ(log.lines.size(), 2u);
  EXPECT_EQ(log.lines.front(), "one");  // the newline is not shown
  message_log_age(log, 12.5);           // two seconds after the last post: not yet
  EXPECT_EQ(log.lines.size(), 2u);
  message_log_age(log, 12.51);
  EXPECT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines.front(), "two");
  message_log_age(log, 17.5);  // the next goes five seconds later
  EXPECT_EQ(log.lines.size(), 1u);
  message_log_age(log, 17.52);
  EXPECT_TRUE(log.lines.empty());
  message_log_age(log, 100);  // nothing on screen: nothing happens
  EXPECT_TRUE(log.lines.empty());

  // More lines than fit: the oldest go first.
  for (const char* t : {"a", "b", "c", "d"}) message_log_post(log, t, 200);
  ASSERT_EQ(log.lines.size(), 3u);
  EXPECT_EQ(log.lines.front(), "b");
  EXPECT_EQ(log.lines.back(), "d");
  log.max_lines = 0;
  message_log_post(log, "hidden", 201);
  EXPECT_TRUE(log.lines.empty());
}
