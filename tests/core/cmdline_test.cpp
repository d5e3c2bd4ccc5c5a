#include "core/cmdline.h"

#include <gtest/gtest.h>

#include <functional>

#include "settings/global_options.h"
#include "settings/settings.h"

struct Parsed {
  CommandLine cl;
  GlobalOptions g;
  Settings s;
  CmdlineResult result;
  std::string err;
};

static Parsed parse(std::vector<std::string> args) {
  Parsed p;
  std::vector<char*> argv{const_cast<char*>("loamrun")};
  for (std::string& a : args) argv.push_back(a.data());
  char* text = nullptr;
  size_t size = 0;
  FILE* err = open_memstream(&text, &size);
  p.result = cmdline_parse(int(argv.size()), argv.data(), p.cl, p.g, p.s, err);
  fclose(err);
  p.err.assign(text, size);
  free(text);
  return p;
}

TEST(Cmdline, ErrorsGiveTheirMessageAndStop) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"-x"}, "bad option '-x'\n"},
      {{"--debugger"}, "bad option '--debugger'\n"},  // only the exact word matches
      {{"--debug=1"}, "bad option '--debug=1'\n"},    // switches take no value
      {{"a.lrdemo", "b.lrdemo"}, "Too many files!\n"},
      {{"--texture-detail", "high"}, "Bad arg for --texture-detail\n"},
      {{"--ground-texture-detail=x"}, "Bad arg for --ground-texture-detail\n"},
      {{"--roostfrequency", "lots"}, "Bad arg for --roostfrequency\n"},
      {{"--erode", "deep"}, "Bad arg for --erode\n"},
      {{"--detail", "?"}, "Bad arg for --detail\n"},
      {{"--max-detail-distance", "far"}, "Bad arg for --max-detail-distance\n"},
      {{"--lod-scale", "big"}, "Bad arg for --lod-scale\n"},
      {{"--lod-bias", "-"}, "Bad arg for --lod-bias\n"},
      {{"--lock-fps", "fast"}, "Bad arg for --lock-fps\n"},
      {{"--fake-lag", "slow"}, "Bad arg for --fake-lag\n"},
      {{"--fake-loss", "some"}, "Bad arg for --fake-loss\n"},
      {{"--chase-center", "1,2"}, "Bad arg for --chase-center\n"},
      {{"--lock-fps", "nan"}, "Bad arg for --lock-fps\n"},  // NaN would reach the frame timing
      {{"--track"}, "Missing value for --track\n"},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.args);
    EXPECT_EQ(p.result, CMDLINE_ERROR) << c.args[0];
    EXPECT_EQ(p.err, c.message) << c.args[0];
  }
}

TEST(Cmdline, ValuesAreClampedAndStored) {
  struct Case {
    std::vector<std::string> args;
    std::function<void(const Parsed&)> check;
  } cases[] = {
      {{"--texture-detail=7"},
       [](const Parsed& p) {
         EXPECT_EQ(p.g.ground_texture_reduction, 4);
         EXPECT_EQ(p.g.model_texture_reduction, 4);
       }},
      {{"--texture-detail", "-3"},  // a value may start with "-"
       [](const Parsed& p) {
         EXPECT_EQ(p.g.ground_texture_reduction, 0);
         EXPECT_EQ(p.g.model_texture_reduction, 0);
       }},
      {{"--ground-texture-detail", "3"}, [](const Parsed& p) { EXPECT_EQ(p.g.ground_texture_reduction, 3); }},
      {{"--fake-lag", "2500"}, [](const Parsed& p) { EXPECT_FLOAT_EQ(p.cl.fake_lag, 1.0f); }},
      {{"--fake-lag=250"}, [](const Parsed& p) { EXPECT_FLOAT_EQ(p.cl.fake_lag, 0.25f); }},
      {{"--fake-loss", "150"}, [](const Parsed& p) { EXPECT_EQ(p.cl.fake_loss, 100); }},
      {{"--roostfrequency", "5000"}, [](const Parsed& p) { EXPECT_EQ(p.g.roost_frequency, 1000); }},
      {{"--erode", "0.5"}, [](const Parsed& p) { EXPECT_EQ(p.g.erode_strength, 512); }},
      {{"--erode", "500"}, [](const Parsed& p) { EXPECT_EQ(p.g.erode_strength, 102400); }},
      {{"--lod-scale", "0"}, [](const Parsed& p) { EXPECT_FLOAT_EQ(p.g.lod_scale, 1e-6f); }},
      {{"--max-detail-distance", "40"},
       [](const Parsed& p) {
         EXPECT_FLOAT_EQ(p.g.max_detail_distance, 40);
         EXPECT_FLOAT_EQ(p.g.fade_distance, 45);
       }},
      {{"--width", "800", "--height=600"},
       [](const Parsed& p) {
         EXPECT_EQ(p.s.xres, 800);
         EXPECT_EQ(p.s.yres, 600);
       }},
      {{"--width", "wide", "--rotate-lineup", "many"},  // not a number: unchanged
       [](const Parsed& p) {
         EXPECT_EQ(p.s.xres, 640);
         EXPECT_EQ(p.cl.rotate_lineup, 0);
       }},
      {{"--depth", "32", "--zdepth", "junk", "--draw-fps", "1"},  // never rejected
       [](const Parsed& p) {
         EXPECT_EQ(p.cl.depth, 32);
         EXPECT_EQ(p.cl.zdepth, 0);
         EXPECT_EQ(p.cl.draw_fps, 1);
       }},
      {{"--connect", "loamrun:race.example:19800"},
       [](const Parsed& p) {
         EXPECT_EQ(p.cl.connect, "race.example:19800");
         EXPECT_EQ(p.s.server_name.text, "race.example:19800");
       }},
      {{"--chase-center=1,2.5,-3"},
       [](const Parsed& p) {
         EXPECT_TRUE(p.cl.chase_center_set);
         EXPECT_FLOAT_EQ(p.cl.chase_center[1], 2.5f);
         EXPECT_FLOAT_EQ(p.cl.chase_center[2], -3);
       }},
      {{"--", "-demo"}, [](const Parsed& p) { EXPECT_EQ(p.cl.demo_file, "-demo"); }},
      {{"race.lrdemo", "--debug"},
       [](const Parsed& p) {
         EXPECT_EQ(p.cl.demo_file, "race.lrdemo");
         EXPECT_EQ(p.cl.verbosity, 1);
       }},
      {{"--debug", "--super-debug", "--learn", "--nolearn"},
       [](const Parsed& p) {
         EXPECT_EQ(p.cl.verbosity, 2);
         EXPECT_EQ(p.cl.learn, 0);
       }},
      {{"--fugly", "--novertexarrays", "--warp", "--editor", "--practice", "--record-video", "--nosound"},
       [](const Parsed& p) {
         EXPECT_TRUE(p.g.flat_shading && p.g.no_vertex_arrays && p.cl.warp && p.cl.editor && p.cl.practice &&
                     p.cl.record_video && p.cl.nosound);
       }},
      {{"--track", "tracks/claypit", "--password=pw", "--record-audio", "out.raw", "--lock-fps", "30"},
       [](const Parsed& p) {
         EXPECT_EQ(p.cl.start_track, "tracks/claypit");
         EXPECT_EQ(p.cl.password, "pw");
         EXPECT_EQ(p.cl.record_audio, "out.raw");
         EXPECT_FLOAT_EQ(p.cl.lock_fps, 30);
       }},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.args);
    ASSERT_EQ(p.result, CMDLINE_OK) << c.args[0] << ": " << p.err;
    EXPECT_EQ(p.err, "") << c.args[0];
    c.check(p);
  }
}

TEST(Cmdline, NotesAndOpenHome) {
  Parsed p = parse({"--bikes", "3", "--debug"});
  EXPECT_EQ(p.result, CMDLINE_OK);
  EXPECT_EQ(p.err, "--bikes doesn't do anything anymore\n");
  EXPECT_EQ(p.cl.verbosity, 1);
  EXPECT_EQ(parse({"--debug", "--open-home"}).result, CMDLINE_OPEN_HOME);
  EXPECT_EQ(parse({"--", "--open-home"}).cl.demo_file, "--open-home");
}
