// The command line: options and an optional demo file to play.
#pragma once
#include <cstdio>
#include <string>

struct GlobalOptions;
struct Settings;

struct CommandLine {
  int verbosity = 0;             // 0, 1 (--debug) or 2 (--super-debug)
  bool practice = false;         // robots ride the "tester" line
  bool editor = false;           // track editor view available
  int learn = -1;                // -1 as the settings say, 1 --learn, 0 --nolearn
  bool warp = false;             // fast-forward: 100 tics a frame offline
  bool nosound = false;          // open no audio output
  bool record_video = false;     // PPM frames on standard output
  std::string record_audio;      // file for the mixed audio, or ""
  int rotate_lineup = 0;         // slots to rotate the line-up by before each restart
  bool hidden_pause = false, hidden_hud = false;
  int draw_fps = 0, draw_time = 0, draw_ping = 0, draw_speed = 0, draw_render_stats = 0;
  bool accurate_skip = false;    // demo skips replay every tic
  bool print_orientation = false;
  bool glfinish = false;
  float lock_fps = 0;            // fixed frame rate (0 = off)
  float fake_lag = 0;            // simulated network delay, seconds 0..1
  int fake_loss = 0;             // simulated packet loss percent 0..100
  std::string connect;           // server address ("" = offline)
  std::string password;          // sent when connecting
  std::string start_track;       // folder to load before the first frame
  std::string demo_file;         // demo to play, or ""
  bool chase_center_set = false;
  float chase_center[3] = {0, 2.52f, 0.52f};  // orbit target in the bike body's frame
  int depth = 16;                // colour bits of the pixel format
  int zdepth = 16;               // depth-buffer bits
  bool open_home = false;        // show the home folder and end
};

enum CmdlineResult { CMDLINE_OK, CMDLINE_ERROR, CMDLINE_OPEN_HOME };

// Reads argv[1..argc-1] left to right into the records. Error messages and
// notes ("--bikes doesn't do anything anymore") go to err. On CMDLINE_ERROR
// the program ends with status 1; the first error stops the parse.
CmdlineResult cmdline_parse(int argc, char** argv, CommandLine& cl, GlobalOptions& g, Settings& s, FILE* err);
