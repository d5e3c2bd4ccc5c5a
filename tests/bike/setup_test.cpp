#include "bike/setup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/messages.h"
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

TEST_F(SetupFixture, StabilityPresetRowsAndTheValuesBetween) {
  const char* keys[15] = {"leveling",           "roll_damping",        "roll_limit_angle",   "roll_limit_factor",
                          "steering_damping",   "steering_strength",   "direct_steering",    "slow_damping_speed",
                          "slow_damping_factor", "land_damping_falloff", "land_damping_factor", "max_steering_force",
                          "full_lock_speed",    "restricted_lock_speed", "restricted_lock"};
  struct Row {
    double stability;
    double values[15];
  } rows[] = {
      {0, {20, 40, 90, 0, 45, 75, 1, 40, 1, 0, 1, 400, 10, 50, 45}},
      {20, {20, 50, 45, 5, 45, 75, 1, 40, 1, 0.125, 1.5, 400, 10, 50, 15}},
      {40, {20, 60, 45, 10, 45, 75, 1, 40, 1.5, 0.25, 2, 400, 10, 50, 10}},
      {60, {20, 70, 45, 32, 45, 75, 1, 40, 2, 0.25, 2, 400, 10, 50, 5}},
      {80, {20, 75, 45, 32, 50, 75, 1, 40, 2, 0.25, 2, 400, 10, 50, 2.5}},
      {100, {20, 80, 45, 32, 60, 75, 0.125, 40, 2, 0.25, 2, 400, 10, 50, 1}},
      {10, {20, 45, 67.5, 2.5, 45, 75, 1, 40, 1, 0.0625, 1.25, 400, 10, 50, 30}},
      {30, {20, 55, 45, 7.5, 45, 75, 1, 40, 1.25, 0.1875, 1.75, 400, 10, 50, 12.5}},
      {70, {20, 72.5, 45, 32, 47.5, 75, 1, 40, 2, 0.25, 2, 400, 10, 50, 3.75}},
      {90, {20, 77.5, 45, 32, 55, 75, 0.5625, 40, 2, 0.25, 2, 400, 10, 50, 1.75}},
      {-5, {20, 40, 90, 0, 45, 75, 1, 40, 1, 0, 1, 400, 10, 50, 45}},  // held to the first row
  };
  for (const Row& r : rows) {
    // Start from scrambled values so every key must be written by the preset.
    for (const char* key : keys) setup_set_number(s, key, -123);
    setup_apply_stability(s, r.stability);
    for (int k = 0; k < 15; ++k)
      EXPECT_DOUBLE_EQ(setup_number(s, keys[k]), r.values[k]) << "stability " << r.stability << " " << keys[k];
  }
  ::Setup before = s;
  setup_apply_stability(s, NAN);
  EXPECT_EQ(s.numbers, before.numbers);
}

TEST_F(SetupFixture, WritingRefusesASetupWithoutValues) {
  TempDir dir;
  std::string path = dir / "out.txt";
  VfsFile* f = vfs_open_path(path.c_str(), "wb");
  ::Setup empty;
  EXPECT_FALSE(setup_write(empty, f));
  // A choice index from outside its list writes the default choice.
  setup_set_number(s, "bike", 500);
  setup_set_number(s, "stop_wheelies", -1);
  EXPECT_STREQ(setup_choice(s, "stop_wheelies"), "");
  EXPECT_TRUE(setup_write(s, f));
  vfs_close(f);
  std::string text = read_file(path);
  EXPECT_EQ(text.substr(0, 18), "bike=yz250f(2017)\n");
  EXPECT_NE(text.find("\nstop_wheelies=Yes\n"), std::string::npos);
  EXPECT_FALSE(setup_write(s, nullptr));
}

struct SetupFileFixture : SetupFixture {
  TempDir dir;
  Vfs vfs;
  std::vector<std::string> posted;
  void SetUp() override {
    SetupFixture::SetUp();
    vfs_set_folders(vfs, dir / "home", dir / "game");
    message_set_sink([](void* c, const char* text) { static_cast<SetupFileFixture*>(c)->posted.push_back(text); },
                     this);
  }
  void TearDown() override { message_set_sink(nullptr, nullptr); }
};

TEST_F(SetupFileFixture, WrittenFileReadsBack) {
  setup_read(s, "bike", "kx125");
  setup_read(s, "name", "Kim = the fast");
  setup_read(s, "stability", "30");
  setup_read(s, "rider_zdamping", "12.25");
  ASSERT_TRUE(setup_file_write(s, vfs, "race one"));
  EXPECT_EQ(posted, std::vector<std::string>{"Setup written"});
  EXPECT_EQ(read_file(dir / "home/setups/race one").substr(0, 11), "bike=kx125\n");
  ::Setup back;
  ASSERT_TRUE(setup_file_read(back, vfs, "  race one \t"));  // blanks around the name are dropped
  EXPECT_EQ(posted.back(), "Setup updated");
  EXPECT_EQ(back.numbers, s.numbers);
  EXPECT_EQ(back.texts, s.texts);
}

TEST_F(SetupFileFixture, ReadingSplitsLinesAtTheFirstEquals) {
  std::string texture(1023, 'w');
  write_file(dir / "game/setups/hand",
             "# a hand-edited setup\r\n"
             "stability=50\r\n"
             "roll_damping=99\r\n"  // later lines win over the preset
             "name=A=B\n"
             "no equals sign here\n"
             "xres=1280\n"
             "=7\n"
             "wheel_texture=" + texture + "\r\r\n"
             "number=42");  // last line without a line end
  ASSERT_TRUE(setup_file_read(s, vfs, "hand"));
  EXPECT_DOUBLE_EQ(setup_number(s, "roll_damping"), 99);
  EXPECT_DOUBLE_EQ(setup_number(s, "restricted_lock"), 7.5);
  EXPECT_EQ(setup_text(s, "name"), "A=B");
  EXPECT_EQ(setup_text(s, "wheel_texture"), texture);
  EXPECT_EQ(setup_text(s, "number"), "42");
  EXPECT_EQ(posted, std::vector<std::string>{"Setup updated"});
}

TEST_F(SetupFileFixture, FailuresPostTheirErrors) {
  write_file(dir / "home/config", "keep me");
  for (const char* name : {"missing", "", "   ", "../config", "a/../../config", "..\\config"}) {
    posted.clear();
    EXPECT_FALSE(setup_file_read(s, vfs, name)) << name;
    EXPECT_EQ(posted, std::vector<std::string>{"Error reading setup"}) << name;
    posted.clear();
    if (strcmp(name, "missing") == 0) continue;
    EXPECT_FALSE(setup_file_write(s, vfs, name)) << name;
    EXPECT_EQ(posted, std::vector<std::string>{"Error writing setup"}) << name;
  }
  EXPECT_EQ(read_file(dir / "home/config"), "keep me");
  EXPECT_DOUBLE_EQ(setup_number(s, "stability"), 100);  // nothing was read
  // A home folder that cannot hold the file.
  write_file(dir / "blocked", "a file, not a folder");
  Vfs blocked;
  vfs_set_folders(blocked, dir / "blocked", dir / "game");
  posted.clear();
  EXPECT_FALSE(setup_file_write(s, blocked, "x"));
  EXPECT_EQ(posted, std::vector<std::string>{"Error writing setup"});
  // ".." inside a longer part is an ordinary name.
  posted.clear();
  EXPECT_TRUE(setup_file_write(s, vfs, "v1..2"));
  EXPECT_EQ(posted, std::vector<std::string>{"Setup written"});
}
