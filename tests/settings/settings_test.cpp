#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/input.h"
#include "settings/capture.h"
#include "settings/global_options.h"
#include "test_util.h"
#include "vfs/vfs.h"

struct SettingsFixture : ::testing::Test {
  TempDir dir;
  Vfs vfs;
  Settings s;
  void SetUp() override {
    vfs_set_folders(vfs, dir / "home", dir / "game");
    settings_defaults(s);
  }
  std::string config() { return read_file(dir / "home/config"); }
};

TEST_F(SettingsFixture, DefaultsAreWrittenInOrderAndReadBackToTheSameBytes) {
  ASSERT_FALSE(settings_read(s, vfs));  // no file: defaults stay
  ASSERT_TRUE(settings_write(s, vfs));
  std::string text = config();
  const char* start =
      "xres=640\nyres=480\ndraw_fps=0\ndraw_time=0\ndraw_ping=1\ndraw_speed=0\nspy=0\ntrack=\nrecord=No\n"
      "skill=Novice\nminutes=0.000000\nlaps=5.000000\nslot00=Empty\n";
  EXPECT_EQ(text.substr(0, strlen(start)), start);
  EXPECT_NE(text.find("slot17=Robot\nslot18=Robot\nslot19=Human\nslot20=Robot\n"), std::string::npos);
  EXPECT_NE(text.find("time_trial_abort=Yes\nbike=yz250f(2017)\n"), std::string::npos);
  EXPECT_NE(text.find("video_mode=Default Fullscreen\nserver_name=localhost\nserver_name_hist00=\n"),
            std::string::npos);
  EXPECT_NE(text.find("ground_texture_dim=64x64\n"), std::string::npos);
  EXPECT_NE(text.find("map_scale=1.000000\nthrottle_key=(k)x\nfront_brake_key=(k)c\n"), std::string::npos);
  EXPECT_NE(text.find("dab_key=(k)right ctrl\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 20), "screenshot_key=(k)s\n");
  EXPECT_FALSE(file_exists(dir / "home/config.new"));

  Settings back;
  settings_defaults(back);
  ASSERT_TRUE(settings_read(back, vfs));
  ASSERT_TRUE(settings_write(back, vfs));
  EXPECT_EQ(config(), text);
  EXPECT_STREQ(settings_preset_label(back), "Current Settings: Compatibility");
}

TEST_F(SettingsFixture, LinesAreMatchedExactlyAndValuesClamped) {
  const char* lines[] = {
      "xresolution=1024", "yres=600\r\n", "fov=200", "laps=abc", "map_scale=0.01", "skill=expert",
      "record=Yes", "slot05=Robot (4 stroke)", "slot45=Human", "minutes=-5", "no equals sign",
      "spy=1junk",
  };
  for (const char* l : lines) settings_read_line(s, l);
  EXPECT_EQ(s.xres, 640);
  EXPECT_EQ(s.yres, 600);
  EXPECT_DOUBLE_EQ(s.fov.value, 170);
  EXPECT_DOUBLE_EQ(s.laps.value, 5);
  EXPECT_FLOAT_EQ(s.map_scale, 0.125f);
  EXPECT_STREQ(s.skill.text(), "Novice");  // choice texts match case-sensitively
  EXPECT_STREQ(s.record.text(), "Yes");
  EXPECT_STREQ(s.slots[5].text(), "Robot (4 stroke)");
  EXPECT_DOUBLE_EQ(s.minutes.value, 0);
  EXPECT_EQ(s.spy, 1);
  settings_read_line(s, "fov=wide");
  EXPECT_DOUBLE_EQ(s.fov.value, 170);
}

TEST_F(SettingsFixture, ReadOnlyKeysAndHistory) {
  settings_read_line(s, "use_fbo=No");
  EXPECT_STREQ(s.render_texture.text(), "Hardware/Copy");
  settings_read_line(s, "use_fbo=Yes");
  EXPECT_STREQ(s.render_texture.text(), "Hardware/Direct");
  settings_read_line(s, "render_texture=Shaders/Copy");
  EXPECT_STREQ(s.render_texture.text(), "Shaders/Copy");
  settings_read_line(s, "ground_texture_distance=99");
  settings_read_line(s, ("server_name_hist03=" + std::string(130, 'h')).c_str());
  EXPECT_EQ(s.server_history[3], "");
  settings_read_line(s, "server_name_hist03=race.example");
  EXPECT_EQ(s.server_history[3], "race.example");
  settings_read_line(s, "track=tracks/claypit");
  EXPECT_EQ(s.wanted_track, "tracks/claypit");
  settings_read_line(s, "stability=50");  // setup keys go to the setup first
  EXPECT_DOUBLE_EQ(setup_number(s.setup, "roll_damping"), 65);
}

TEST_F(SettingsFixture, BindingValues) {
  ControlBinding& b = *settings_binding(s, "throttle_key");
  for (const char* text : {"(k)x", "x", "   x", "  (k)x"}) {
    binding_parse(b, text);
    ASSERT_NE(b.key_name, nullptr) << text;
    EXPECT_STREQ(b.key_name, "x") << text;
    EXPECT_EQ(b.axis_name, nullptr);
    EXPECT_EQ(binding_format(b), "(k)x");
  }
  binding_parse(b, "(-0.250000,0.750000)Pad axis 1");
  EXPECT_STREQ(b.axis_name, "Pad axis 1");
  EXPECT_FLOAT_EQ(b.low, -0.25f);
  EXPECT_FLOAT_EQ(b.high, 0.75f);
  EXPECT_EQ(binding_format(b), "(-0.250000,0.750000)Pad axis 1");
  binding_parse(b, "(0.9,0.1)Pad axis 2");  // ranges may run downwards
  EXPECT_FLOAT_EQ(b.high, 0.1f);
  // Unbound: written with an empty value, and an empty value reads as unbound.
  binding_parse(b, "");
  EXPECT_EQ(b.key_name, nullptr);
  EXPECT_EQ(binding_format(b), "");
  ASSERT_TRUE(settings_write(s, vfs));
  EXPECT_NE(config().find("\nthrottle_key=\n"), std::string::npos);
  Settings back;
  settings_defaults(back);
  settings_read(back, vfs);
  EXPECT_EQ(settings_binding(back, "throttle_key")->key_name, nullptr);
  EXPECT_STREQ(settings_binding(back, "front_brake_key")->key_name, "c");
}

TEST_F(SettingsFixture, BindingsResolveThroughKeyNames) {
  for (ControlBinding& b : s.bindings) binding_resolve(b, nullptr);
  EXPECT_EQ(settings_binding(s, "throttle_key")->code, 0x102Du);
  EXPECT_EQ(settings_binding(s, "dab_key")->code, 0x111Du);  // "right ctrl"
  EXPECT_EQ(settings_binding(s, "left_key")->code, 0x114Bu);
  EXPECT_EQ(settings_binding(s, "pause_key")->code, 0x1045u);
  EXPECT_EQ(settings_binding(s, "rewind_key")->code, 0x102Bu);
  ControlBinding& b = *settings_binding(s, "step_key");
  binding_parse(b, "no such key");
  binding_resolve(b, nullptr);
  EXPECT_EQ(b.code, 0u);
}

TEST_F(SettingsFixture, PresetLabels) {
  settings_apply_preset(s, 3);
  EXPECT_STREQ(settings_preset_label(s), "Current Settings: High Detail");
  settings_apply_preset(s, 1);
  EXPECT_STREQ(settings_preset_label(s), "Current Settings: High FPS");
  s.fov.value = 90;  // not a graphics preset value
  EXPECT_STREQ(settings_preset_label(s), "Current Settings: High FPS");
  s.model_detail.value = 26;
  EXPECT_STREQ(settings_preset_label(s), "Current Settings: Custom");
}

TEST_F(SettingsFixture, AFailedWriteKeepsTheOldFile) {
  ASSERT_TRUE(settings_write(s, vfs));
  std::string old = config();
  test_mkdirs(dir / "home/config.new/");  // the new file cannot be created
  s.xres = 1234;
  EXPECT_FALSE(settings_write(s, vfs));
  EXPECT_EQ(config(), old);
}

TEST_F(SettingsFixture, DerivedDetailValues) {
  GlobalOptions g;
  global_options_from_settings(g, s);
  EXPECT_FLOAT_EQ(g.terrain_detail, 0.125f / 70);
  EXPECT_EQ(g.ground_texture_reduction, 1);
  EXPECT_EQ(g.ground_texture_size, 64);
  EXPECT_FLOAT_EQ(g.lod_scale, 1.0f);  // (100 - 50) x 0.02
  EXPECT_FLOAT_EQ(g.lod_bias, 50 - 50 * 1.0f);
  s.model_detail.value = 20;
  s.ground_detail.value = 0;  // no division by zero
  global_options_from_settings(g, s);
  EXPECT_FLOAT_EQ(g.lod_scale, 1.6f * 1.6f * 1.6f);
  EXPECT_FLOAT_EQ(g.lod_bias, 25);
  EXPECT_TRUE(std::isfinite(g.terrain_detail));
}

// Axes whose values the test sets.
struct FakeAxes {
  std::vector<const char*> names = {"Pad axis 0", "Pad axis 1", nullptr};
  int values[2] = {0, 0};
  int open_count = 0;
  CaptureAxes source() {
    CaptureAxes a;
    a.context = this;
    a.names = [](void* c) -> const char* const* { return ((FakeAxes*)c)->names.data(); };
    a.open = [](void* c, const char* name) -> AxisHandle* {
      auto* f = (FakeAxes*)c;
      ++f->open_count;
      return (AxisHandle*)(uintptr_t)(strcmp(name, "Pad axis 0") == 0 ? 1 : 2);
    };
    a.read = [](void* c, AxisHandle* h) { return ((FakeAxes*)c)->values[(uintptr_t)h - 1]; };
    a.close = [](void* c, AxisHandle*) { --((FakeAxes*)c)->open_count; };
    return a;
  }
};

TEST_F(SettingsFixture, CaptureBindsAKeyAfterAQuarterSecond) {
  FakeAxes axes;
  Capture c;
  c.source = axes.source();
  ControlBinding& b = *settings_binding(s, "throttle_key");
  capture_start(c, &b, 10.0);
  EXPECT_EQ(axes.open_count, 2);
  capture_key(c, 0x1030, "B", 0x1001, 10.1);
  capture_key(c, 0x1031, "N", 0x1001, 10.15);  // only the first key counts
  capture_tic(c, 10.3);
  EXPECT_TRUE(capture_active(c));  // 0.2 s: not yet
  capture_tic(c, 10.36);
  EXPECT_FALSE(capture_active(c));
  EXPECT_STREQ(b.key_name, "B");
  EXPECT_EQ(b.code, 0x1030u);
  EXPECT_EQ(axes.open_count, 0);
  // Esc ends a capture with no change.
  capture_start(c, &b, 20.0);
  capture_key(c, 0x1001, "Esc", 0x1001, 20.1);
  EXPECT_FALSE(capture_active(c));
  EXPECT_STREQ(b.key_name, "B");
}

TEST_F(SettingsFixture, CaptureBindsAMovedAxisOverAnEarlierKey) {
  FakeAxes axes;
  Capture c;
  c.source = axes.source();
  ControlBinding& b = *settings_binding(s, "throttle_key");
  axes.values[1] = -16384;  // resting at -0.5
  capture_start(c, &b, 5.0);
  capture_key(c, 0x102D, "X", 0x1001, 5.0);
  axes.values[1] = 16384;  // pushed to +0.5 within the quarter second
  capture_tic(c, 5.1);
  capture_tic(c, 5.3);     // 0.2 s since the axis moved: not yet
  EXPECT_TRUE(capture_active(c));
  capture_tic(c, 5.4);
  ASSERT_FALSE(capture_active(c));
  ASSERT_NE(b.axis_name, nullptr);
  EXPECT_STREQ(b.axis_name, "Pad axis 1");
  EXPECT_EQ(b.key_name, nullptr);
  EXPECT_FLOAT_EQ(b.low, -0.5f + 0.0625f);
  EXPECT_FLOAT_EQ(b.high, -0.5f + 0.9375f);
  EXPECT_EQ(axes.open_count, 1);  // the bound axis stays open with the binding
  // A small wobble never binds an axis.
  ControlBinding& other = *settings_binding(s, "clutch_key");
  capture_start(c, &other, 9.0);
  axes.values[0] = 8000;
  for (double t = 9.1; t < 10.5; t += 0.1) capture_tic(c, t);
  EXPECT_TRUE(capture_active(c));
  capture_end(c);
}
