// Runs the real program on small data folders and checks its status, its
// messages and its log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "test_util.h"

extern char** environ;

struct RunResult {
  int status = -1;   // exit status
  std::string err;   // standard error
  std::string out;   // standard output
};

struct RunOptions {
  std::string stop_when_logged;  // once the log holds this text, send SIGTERM
  std::string log_path;          // the log to watch
  int timeout_seconds = 60;      // then the program is killed
};

static RunResult run_loamrun(const std::vector<std::string>& args, const std::vector<std::string>& env,
                             const RunOptions& opt = RunOptions()) {
  TempDir out;
  std::string err_path = out / "stderr.txt", out_path = out / "stdout.bin";
  std::vector<std::string> argv_s{LOAMRUN_BIN};
  argv_s.insert(argv_s.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argv_s) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_s = env;
  for (char** e = environ; *e; ++e) {
    std::string v = *e;
    std::string key = v.substr(0, v.find('='));
    bool overridden = false;
    for (auto& o : env)
      if (o.substr(0, o.find('=')) == key) overridden = true;
    // No display unless a test asks for one: a message box would wait for a click.
    static const char* const dropped[] = {"KELP_LOGFILE", "KELP_LOGFILE_FLAGS", "KELP_OPTIONS", "LR_CHECK_ALLOC",
                                          "LR_HOME", "DISPLAY", "WAYLAND_DISPLAY"};
    for (const char* d : dropped)
      if (key == d) overridden = true;
    if (!overridden) env_s.push_back(v);
  }
  std::vector<char*> envp;
  for (auto& e : env_s) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid;
  RunResult r;
  if (posix_spawn(&pid, LOAMRUN_BIN, &fa, nullptr, argv.data(), envp.data()) != 0) return r;
  posix_spawn_file_actions_destroy(&fa);
  int status = 0;
  bool signalled = false;
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (elapsed > opt.timeout_seconds) {
      ADD_FAILURE() << "loamrun did not stop; killed";
      kill(pid, SIGKILL);
    } else if (!signalled && !opt.stop_when_logged.empty() &&
               read_file(opt.log_path).find(opt.stop_when_logged) != std::string::npos) {
      kill(pid, SIGTERM);
      signalled = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.err = read_file(err_path);
  r.out = read_file(out_path);
  return r;
}

static bool have_display() {
  const char* d = getenv("DISPLAY");
  return d && *d;
}

// An archive image: header lines "size name", "-", then the data in order.
static std::string make_saf(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string header, data;
  for (auto& [name, bytes] : files) {
    header += std::to_string(bytes.size()) + " " + name + "\n";
    data += bytes;
  }
  return header + "-\n" + data;
}

struct ProgramFixture : ::testing::Test {
  TempDir dir;
  std::string game() { return dir / "game"; }
  std::string xdg() { return dir / "xdg"; }
  std::string home() { return dir / "xdg/Loamrun/"; }
  std::vector<std::string> env() { return {"LR_HOME=" + game(), "XDG_DATA_HOME=" + xdg()}; }
  // The environment of a run that opens the window: the display is passed on.
  std::vector<std::string> window_env() {
    std::vector<std::string> e = env();
    e.push_back(std::string("DISPLAY=") + getenv("DISPLAY"));
    return e;
  }
  // Runs with the window until start-up has reached the main loop, then
  // asks the program to stop as a desktop session would (SIGTERM).
  RunResult run_windowed(const std::vector<std::string>& args) {
    RunOptions opt;
    opt.stop_when_logged = "GL_EXTENSIONS";
    opt.log_path = home() + "lastlog.txt";
    unlink(opt.log_path.c_str());  // the stop signal waits for this run's own log
    return run_loamrun(args, window_env(), opt);
  }
  void make_game_data(bool with_tracks) {
    std::vector<std::pair<std::string, std::string>> files = {{"readme.txt", "hello"}};
    if (with_tracks) {
      files.push_back({"tracks/hill/terrain.hf", "1 2.0 0 0\n"});
      files.push_back({"tracks/hill/desc", "Hill Climb\nmore\n"});
    }
    write_file(game() + "/zzzz.saf", make_saf(files));
    if (with_tracks) write_file(game() + "/tracks/flat/terrain.hf.gz", gzip_bytes("1 2.0 0 0\n"));
    write_file(game() + "/demos/first race.lrdemo", "");
  }
  std::string log() { return read_file(home() + "lastlog.txt"); }
};

static std::string unstamped(const std::string& text) {
  return std::regex_replace(text, std::regex(R"(\[\d+:\d\d:\d\d\.\d\d\] )"), "");
}

// True when the lines appear in the text in this order.
static bool in_order(const std::string& text, const std::vector<std::string>& lines) {
  size_t at = 0;
  for (const std::string& l : lines) {
    size_t found = text.find(l, at);
    if (found == std::string::npos) {
      ADD_FAILURE() << "missing or out of order: " << l;
      return false;
    }
    at = found + l.size();
  }
  return true;
}

#define NEEDS_DISPLAY() \
  if (!have_display()) GTEST_SKIP() << "no display"

TEST_F(ProgramFixture, StartsLogsAndShutsDownInOrder) {
  NEEDS_DISPLAY();
  make_game_data(true);
  RunResult r = run_windowed({"--debug"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string text = unstamped(log());
  EXPECT_TRUE(std::regex_search(log(), std::regex(R"(^\[\d+:\d\d:\d\d\.\d\d\] Logfile ")")));
  EXPECT_TRUE(in_order(text, {"Logfile \"" + home() + "lastlog.txt\" opened\n", "KELP 0.31\n",
                              "Loamrun version 2021-03-15-1561 snapshot\n", "Listing directories\n",
                              "Listing archives\n", "Creating file list\n", "File index complete\n",
                              "tracks/hill -> Hill Climb\n", "tracks/flat -> tracks/flat\n",
                              "demos/first race.lrdemo -> first race\n", "Deallocating bikes\n",
                              "Finished deallocating bikes\n", "Freeing memory (1)\n", "Closing input devices\n",
                              "Closing audio\n", "Writing config files\n", "Freeing memory (2)\n",
                              "Freeing memory (3)\n", "Freeing file list\n", "Freeing memory (4)\n",
                              "Deleting textures\n", "Deleting models\n", "Deleting OpenGL context\n",
                              "Destroying window\n", "Window shutdown complete\n"}));
  EXPECT_TRUE(in_order(text, {"Creating OpenGL context\n", "Listing directories\n", "GL_VENDOR: ", "GL_RENDERER: ",
                              "GL_VERSION: ", "GL_EXTENSIONS: "}));
  EXPECT_EQ(r.out, "");  // no video frames without --record-video
}

TEST_F(ProgramFixture, RunsOnTheGeneratedGameData) {
  NEEDS_DISPLAY();
  std::string cmd = std::string(LR_GAMEDATA_BIN) + " '" + game() + "' > /dev/null";
  ASSERT_EQ(system(cmd.c_str()), 0);
  RunResult r = run_windowed({"--debug", "--nosound"});
  EXPECT_EQ(r.status, 0) << r.err;

  EXPECT_TRUE(in_order(unstamped(log()), {"File index complete\n", "tracks/claypit -> Clay Pit MX\n",
                                          "tracks/sandhill -> Sand Hill MX\n", "Deleting models\n"}));
  // The settings are written at shut-down and read back at the next start.
  std::string config = read_file(home() + "config");
  EXPECT_EQ(config.substr(0, 18), "xres=640\nyres=480\n");
  EXPECT_NE(config.find("\ntrack=tracks/claypit\n"), std::string::npos);
  RunResult again = run_windowed({"--nosound"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(read_file(home() + "config"), config);
}

TEST_F(ProgramFixture, MissingGameDataIsAFailure) {
  test_mkdirs(game() + "/");
  RunResult r = run_loamrun({}, env());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Problem starting Loamrun"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Can't find game data\n"), std::string::npos) << r.err;
}

TEST_F(ProgramFixture, GameDataWithoutTracksIsAFailure) {
  NEEDS_DISPLAY();
  make_game_data(false);
  RunResult r = run_loamrun({}, window_env());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "No tracks found\n");
}

TEST_F(ProgramFixture, CommandLineErrorsEndWithStatusOne) {
  make_game_data(true);
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"-x"}, "bad option '-x'\n"},
      {{"a", "b"}, "Too many files!\n"},
      {{"--chase-center", "1,2"}, "Bad arg for --chase-center\n"},
  };
  for (const Case& c : cases) {
    RunResult r = run_loamrun(c.args, env());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.message);
  }
}

TEST_F(ProgramFixture, NoDisplayMeansNoWindowAndStatusOne) {
  make_game_data(true);
  RunResult r = run_loamrun({}, env());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Can't open the game window"), std::string::npos) << r.err;
  EXPECT_NE(log().find("Error: Can't create window!"), std::string::npos);
}

TEST_F(ProgramFixture, OpenHomeAloneShowsTheFolderWithoutALog) {
  make_game_data(true);
  // A stand-in for the desktop's opener records what it was asked to show.
  std::string bin = dir / "bin";
  std::string opened = dir / "opened.txt";
  write_file(bin + "/xdg-open", "#!/bin/sh\necho \"$1\" > '" + opened + "'\n");
  chmod((bin + "/xdg-open").c_str(), 0755);
  std::vector<std::string> e = env();
  e.push_back("PATH=" + bin + ":/usr/bin:/bin");
  RunResult r = run_loamrun({"--open-home"}, e);
  EXPECT_EQ(r.status, 0) << r.err;
  for (int i = 0; i < 100 && !file_exists(opened); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(read_file(opened), home().substr(0, home().size() - 1) + "\n");
  EXPECT_FALSE(file_exists(home() + "lastlog.txt"));
  EXPECT_TRUE(file_exists(home()));
}

TEST_F(ProgramFixture, UnwritableAudioRecordingIsReported) {
  NEEDS_DISPLAY();
  make_game_data(true);
  RunResult r = run_windowed({"--record-audio", dir / "no/such/folder/out.raw"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Can't open '" + (dir / "no/such/folder/out.raw") + "' for writing"), std::string::npos)
      << r.err;
}

// With a track loaded the race view is drawn: --record-video writes one
// binary PPM frame per drawn frame, and the screenshot key saves the next
// free number.
TEST_F(ProgramFixture, ARaceRecordsFramesAndTakesScreenshots) {
  NEEDS_DISPLAY();
  std::string cmd = std::string(LR_GAMEDATA_BIN) + " '" + game() + "' > /dev/null";
  ASSERT_EQ(system(cmd.c_str()), 0);
  write_file(game() + "/screenshot011.ppm", "P6\n1 1\n255\nabc");  // an earlier shot: the next one is 12
  RunOptions opt;
  opt.stop_when_logged = "Saved \"screenshot013.png\"";
  opt.log_path = home() + "lastlog.txt";
  opt.timeout_seconds = 90;
  unlink(opt.log_path.c_str());
  std::thread keys([&] {
    // Once the riders are on the grid: close the menu and press the screenshot key.
    for (int i = 0; i < 600 && read_file(opt.log_path).find("Loading bikes") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::string id;
    for (int i = 0; i < 50 && id.empty(); ++i) {
      id = xdotool_window_id("^Loamrun$");
      if (id.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (id.empty()) return;
    system(("timeout 10 xdotool windowfocus " + id + " key Escape").c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    system("timeout 10 xdotool key s");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    system("timeout 10 xdotool key s");
  });
  RunResult r = run_loamrun({"--track", "tracks/claypit", "--lock-fps", "30", "--record-video"}, window_env(), opt);
  keys.join();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(in_order(unstamped(log()), {"Resetting\n", "Loading terrain\n", "Loading statues\n", "Loading bikes\n",
                                          "Max loading delay was ",
                                          "Saved \"screenshot012.png\"\n", "Saved \"screenshot013.png\"\n",
                                          "Deallocating bikes\n",
                                          "Deallocating track\n", "Finished deallocating track\n"}));
  EXPECT_TRUE(std::regex_search(unstamped(log()), std::regex("Max loading delay was [0-9]+\\.[0-9]{6} \\([^)\\n]*\\)\n")))
      << log();
  std::string shot = read_file(home() + "screenshot012.png");
  EXPECT_EQ(shot.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  // The video: whole frames of one size back to back.
  size_t at = 0, frames = 0;
  int width = 0, height = 0;
  while (at < r.out.size()) {
    int w = 0, h = 0, n = 0;
    ASSERT_EQ(sscanf(r.out.c_str() + at, "P6\n%d %d\n255\n%n", &w, &h, &n), 2) << "frame " << frames;
    ASSERT_GT(n, 0);
    if (frames == 0) width = w, height = h;
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    at += size_t(n) + size_t(w) * size_t(h) * 3;
    ++frames;
  }
  EXPECT_EQ(at, r.out.size());
  EXPECT_GT(frames, 10u);
  // Of the window's size, as the window reported it.
  std::smatch size;
  std::string text = log();
  ASSERT_TRUE(std::regex_search(text, size, std::regex("WM_SIZE message (\\d+)x(\\d+)"))) << text;
  EXPECT_EQ(width, std::stoi(size[1]));
  EXPECT_EQ(height, std::stoi(size[2]));
}
