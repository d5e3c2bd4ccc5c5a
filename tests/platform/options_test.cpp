#include "platform/options.h"

#include <gtest/gtest.h>

TEST(Options, BooleanValues) {
  struct Case {
    const char* text;
    const char* name;
    int def;
    int want;
  } cases[] = {
      {"[threaded:on]", "threaded", 0, 1},
      {"[threaded:yes]", "threaded", 0, 1},
      {"[dsnd:off]", "dsnd", 1, 0},
      {"[dsnd:no]", "dsnd", 1, 0},
      {"[dsnd:maybe]", "dsnd", 1, 1},  // unrecognized: the default
      {"[dsnd:onward]", "dsnd", 0, 0}, // "on" must be followed by the bracket
      {"", "dsnd", 1, 1},
      {"[xinput:off][dinput:on]", "dinput", 0, 1},
      {"[dinputsticksonly:off]", "dinput", 1, 1},  // a longer name is another option
  };
  for (const Case& c : cases) EXPECT_EQ(options_text_bool(c.text, c.name, c.def), c.want) << c.text;
}

TEST(Options, IntegerValues) {
  struct Case {
    const char* text;
    const char* name;
    int def;
    int want;
  } cases[] = {
      {"[sound-rate:44100x]", "sound-rate", 22050, 44100},  // what follows the digits is not looked at
      {"[sound-rate:44100]", "sound-rate", 22050, 44100},
      {"[sound-mixahead:-5]", "sound-mixahead", 125, -5},
      {"[sound-mixahead:+7]", "sound-mixahead", 125, 7},
      {"[sound-channels:many]", "sound-channels", 16, 16},
      {"[sound-channels:]", "sound-channels", 16, 16},
      {"[sound-channels:99999999999999]", "sound-channels", 16, 2147483647},
      {"[other:3]", "sound-channels", 16, 16},
  };
  for (const Case& c : cases) EXPECT_EQ(options_text_int(c.text, c.name, c.def), c.want) << c.text;
}
