// The lines shown to the player at the top of the screen: every posted line
// is added (up to the `message_lines` setting, the oldest going first) and
// shows for two seconds; after that one line goes every five seconds.
#pragma once
#include <deque>
#include <string>

struct MessageLog {
  std::deque<std::string> lines;  // on screen, oldest first
  double expiry = 0;              // GameClock seconds when the next line goes
  int max_lines = 5;              // `message_lines`
};

// Adds a line (a trailing newline is dropped) at GameClock time now.
void message_log_post(MessageLog& log, const char* text, double now);
// One frame's ageing: once now passes the expiry with lines on screen, the
// oldest goes and the next expiry is five seconds later.
void message_log_age(MessageLog& log, double now);
