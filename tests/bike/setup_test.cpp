#include "bike/setup.h"

#include <gtest/gtest.h>

#include "test_util.h"
#include "vfs/vfs.h"

struct SetupFixture : ::testing::Test {
  ::Setup s;
  void SetUp() override { setup_defaults(s); }
};

TEST_F(SetupFixture, DefaultsAreTheStabilityHundredRow) {
  EXPECT_STREQ(setup_choice(s, "bike"), "yz250f(2017)");
  EXPECT_EQ(setup_text(s, "name"), "Joe Motocross");
  EXPECT_DOUBLE_EQ(setup_number(s, "roll_damping"), 80);
  ::Setup fresh = s;
  setup_apply_stability(fresh, 100);  // t = 5: the last row exactly
  EXPECT_EQ(fresh.numbers, s.numbers);
  EXPECT_DOUBLE_EQ(setup_number(s, "restricted_lock"), 1);
  EXPECT_DOUBLE_EQ(setup_number(s, "direct_steering"), 0.125);
}

TEST_F(SetupFixture, StabilityInterpolatesAndLaterLinesWin) {
  ASSERT_TRUE(setup_read(s, "stability", "50"));
  EXPECT_DOUBLE_EQ(setup_number(s, "roll_damping"), 65);  // halfway from the 40 row to the 60 row
  EXPECT_DOUBLE_EQ(setup_number(s, "restricted_lock"), 7.5);
  EXPECT_DOUBLE_EQ(setup_number(s, "roll_limit_factor"), 21);
  ASSERT_TRUE(setup_read(s, "roll_damping", "99"));
  EXPECT_DOUBLE_EQ(setup_number(s, "roll_damping"), 99);
  setup_read(s, "stability", "0");
  EXPECT_DOUBLE_EQ(setup_number(s, "roll_limit_angle"), 90);
  setup_read(s, "stability", "250");  // clamped to 100
  EXPECT_DOUBLE_EQ(setup_number(s, "stability"), 100);
  EXPECT_DOUBLE_EQ(setup_number(s, "restricted_lock"), 1);
}

TEST_F(SetupFixture, ValuesAreClampedMatchedOrLeftAlone) {
  struct Case {
    const char* key;
    const char* value;
    const char* want;  // number as "%g", or choice/text
  } cases[] = {
      {"max_dab_speed", "0", "5"},
      {"max_dab_speed", "fast", "5"},  // does not convert: unchanged (from the line above)
      {"front_sprocket_adjustment", "-9", "-2"},
      {"rider_mass_distribution", "0.1", "0.33"},
      {"roll_damping", "nan", "80"},
      {"bike", "crf250", "crf250(2008)"},  // legacy name
      {"bike", "crf250(2099)", "crf250(2008)"},  // unknown: unchanged
      {"bike", "KX125", "crf250(2008)"},  // exact match only
      {"bike", "rs50yz", "rs50yz"},
      {"stop_wheelies", "Front Only", "Front Only"},
      {"arcade", "yes", "Yes"},
      {"number", "12345", "123"},
      {"name", "Kim", "Kim"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(setup_read(s, c.key, c.value)) << c.key;
    int k = setup_key_index(c.key);
    std::string got;
    if (setup_keys()[size_t(k)].kind == SETUP_NUMBER) {
      char buf[32];
      snprintf(buf, sizeof buf, "%g", setup_number(s, c.key));
      got = buf;
    } else if (setup_keys()[size_t(k)].kind == SETUP_CHOICE) {
      got = setup_choice(s, c.key);
    } else {
      got = setup_text(s, c.key);
    }
    EXPECT_EQ(got, c.want) << c.key << "=" << c.value;
  }
  EXPECT_FALSE(setup_read(s, "xres", "640"));  // not a setup key
}

TEST_F(SetupFixture, LongTextureNamesAreRefusedNotCut) {
  std::string name(1023, 't');
  setup_read(s, "bike_texture", name.c_str());
  EXPECT_EQ(setup_text(s, "bike_texture"), name);
  setup_read(s, "bike_texture", (name + "x").c_str());
  EXPECT_EQ(setup_text(s, "bike_texture"), name);
}

TEST_F(SetupFixture, WrittenSetupReadsBackToTheSameBytes) {
  setup_read(s, "stability", "37");
  setup_read(s, "leveling", "12.5");
  setup_read(s, "sticky_dab", "Yes");
  TempDir dir;
  std::string a = dir / "a.txt", b = dir / "b.txt";
  VfsFile* f = vfs_open_path(a.c_str(), "wb");
  ASSERT_TRUE(setup_write(s, f));
  vfs_close(f);
  std::string text = read_file(a);
  EXPECT_EQ(text.substr(0, 18), "bike=yz250f(2017)\n");
  ::Setup back;
  setup_defaults(back);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end - pos);
    size_t eq = line.find('=');
    EXPECT_TRUE(setup_read(back, line.substr(0, eq).c_str(), line.substr(eq + 1).c_str())) << line;
    pos = end + 1;
  }
  f = vfs_open_path(b.c_str(), "wb");
  ASSERT_TRUE(setup_write(back, f));
  vfs_close(f);
  EXPECT_EQ(read_file(b), text);
}
