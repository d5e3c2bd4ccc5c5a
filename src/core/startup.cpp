// Start-up: from the process entry to the main loop.
#include "core/app.h"

#include <chrono>

#include "platform/log.h"
#include "platform/mem.h"
#include "platform/message_box.h"
#include "platform/shell.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

const char* const loamrun_version = "2021-03-15-1561 snapshot";

// The out-of-memory stop needs to reach the running program's records.
static App* running_app = nullptr;

static void app_out_of_memory() {
  if (running_app && running_app->record_audio) fclose(running_app->record_audio);
  if (running_app && running_app->window) window_close(running_app->window);
  message_box("Error", "Out of virtual memory");
  log_message("Out of virtual memory\n");
}

// The game data is there when one search folder holds "zzzz.saf".
static bool app_find_game_data(App& app) {
  for (int i = 0; const char* folder = vfs_search_folder(app.vfs, i); ++i) {
    std::string path = std::string(folder) + "zzzz.saf";
    if (FILE* f = fopen(path.c_str(), "rb")) {
      fclose(f);
      return true;
    }
  }
  return false;
}

static void app_vfs_pump(void* context) { app_loading_pump(*(App*)context); }

// Window size and pixel format from the video mode, settings and command line.
static void app_choose_window(App& app) {
  WindowRequest& w = app.window_request;
  const std::string mode = app.settings.video_mode.text();
  int mw = 0, mh = 0;
  if (mode == "Windowed") {
    w.width = app.settings.xres;
    w.height = app.settings.yres;
    w.fullscreen = false;
  } else {
    if (sscanf(mode.c_str(), "%dx%d", &mw, &mh) != 2) mw = mh = 0;  // "Default Fullscreen": desktop size
    w.width = mw;
    w.height = mh;
    w.fullscreen = true;
  }
  w.colour_bits = app.cl.depth == 32 ? 24 : app.cl.depth;
  w.depth_bits = app.cl.zdepth;
}

int app_start(App& app, int argc, char** argv) {
  running_app = &app;
  mem_set_out_of_memory_handler(app_out_of_memory);
  if (argc == 2 && strcmp(argv[1], "--open-home") == 0) {
    vfs_open_home(app.vfs);
    return 0;
  }

  // Home folder, log and game data.
  const char* home = vfs_search_folder(app.vfs, 0);
  if (home) vfs_make_parents(home);
  log_message("KELP_LOGFILE=%slastlog.txt", home ? home : "");
  if (!app_find_game_data(app)) {
    message_box("Problem starting Loamrun", "Can't find game data\n");
    log_message("Can't find game data\n");
    log_close();
    return 1;
  }
  log_message("Loamrun version %s\n", loamrun_version);
  settings_defaults(app.settings);  // also empties the server-name history
  const DisplayMode* modes = display_modes();
  for (const DisplayMode* m = modes; m->width || m->height; ++m)
    if (m->bits == modes[0].bits)
      app.settings.video_mode.choices.push_back(std::to_string(m->width) + "x" + std::to_string(m->height));

  // Settings before the command line, then the values derived from them.
  settings_read(app.settings, app.vfs);
  global_options_from_settings(app.options, app.settings);

  switch (cmdline_parse(argc, argv, app.cl, app.options, app.settings, stderr)) {
    case CMDLINE_ERROR:
      log_close();
      return 1;
    case CMDLINE_OPEN_HOME:
      vfs_open_home(app.vfs);
      log_close();
      return 0;
    case CMDLINE_OK:
      break;
  }
  if (!app.cl.connect.empty()) app.cl.start_track.clear();
  app_choose_window(app);
  const WindowRequest& wr = app.window_request;
  app.window = window_open("Loamrun", wr.width, wr.height, wr.colour_bits | (wr.fullscreen ? WINDOW_FULLSCREEN : 0), 0,
                           wr.depth_bits, 0, 0);
  if (!app.window) {
    fprintf(stderr, "Can't open the game window (is there a display?)\n");
    log_close();
    return 1;
  }

  // The file index and everything found in it.
  app.vfs.pump = app_vfs_pump;
  app.vfs.pump_context = &app;
  app_loading_pump(app);
  vfs_file_list(app.vfs);
  app.lists.rider_bodies = data_lists_textures(app.vfs, "rider_body-");
  app.lists.rider_heads = data_lists_textures(app.vfs, "rider_head-");
  const Setup& setup = app.settings.setup;
  app.lists.bike_textures = data_lists_textures(app.vfs, std::string(setup_choice(setup, "bike")) + "-");
  app.lists.wheel_textures = data_lists_textures(app.vfs, "wheels-");
  app.lists.rider_body = data_lists_find(app.lists.rider_bodies, setup_text(setup, "rider_texture"));
  app.lists.rider_head = data_lists_find(app.lists.rider_heads, setup_text(setup, "head_texture"));
  app.lists.bike_texture = data_lists_find(app.lists.bike_textures, setup_text(setup, "bike_texture"));
  app.lists.wheel_texture = data_lists_find(app.lists.wheel_textures, setup_text(setup, "wheel_texture"));
  if (tracks_scan(app.tracks, app.vfs, app.cl.verbosity) == 0) {
    fprintf(stderr, "No tracks found\n");
    log_message("No tracks found\n");
    window_close(app.window);
    app.window = nullptr;
    log_close();
    return 1;
  }
  data_lists_collect_demos(app.lists, app.vfs, app.cl.verbosity);
  data_lists_collect_series(app.lists, app.vfs);
  const std::string& wanted = app.cl.start_track.empty() ? app.settings.wanted_track : app.cl.start_track;
  int selected = tracks_find(app.tracks, wanted);
  app.track_selected = selected < 0 ? 0 : selected;
  app.settings.track.choices.clear();
  for (const TrackInfo& t : app.tracks.tracks) app.settings.track.choices.push_back(t.folder);
  app.settings.track.selected = app.track_selected;

  // Audio: the recorder's file, or nothing.
  if (!app.cl.record_audio.empty()) {
    app.record_audio = fopen(app.cl.record_audio.c_str(), "wb");
    if (!app.record_audio) {
      fprintf(stderr, "Can't open '%s' for writing: no audio will be recorded\n", app.cl.record_audio.c_str());
      log_message("Can't open '%s' for writing: no audio will be recorded\n", app.cl.record_audio.c_str());
    }
  }

  // Wait until the window can be drawn, then ask the driver what it is.
  Drawable d;
  while (!frame_begin(app.window, d)) {
    app_drain_events(app);
    clock_sleep(0, 62500);
  }
  app.gl = gl_query_driver();
  gl_initial_state(app.options.flat_shading);
  frame_end(app.window);

  // The controls, the working lists and the physics world are made whether
  // or not that first swap succeeded: later steps rely on them.
  loop_init(app.loop);
  app_bind_controls(app);
  if (!physics_world_create(app.physics)) {
    fprintf(stderr, "Can't create the physics world\n");
    app_shutdown(app);
    return 1;
  }

  for (int i = 0; i < SLOT_COUNT; ++i) {
    app.loop.slot_not_local[i] = 1;
    app.lineup[i] = 0;
  }
  if (app.cl.demo_file.empty()) app.lineup[0] = 2;
  MainLoop& L = app.loop;
  L.menu_screen = app.cl.connect.empty() ? MENU_MAIN : MENU_NONE;
  L.show_pause = !app.cl.hidden_pause;
  L.show_hud = !app.cl.hidden_hud;
  L.lock_fps = app.cl.lock_fps;
  L.warp = app.cl.warp;
  L.editor_enabled = app.cl.editor;
  L.spy = app.settings.spy != 0;
  L.reverse_steering = strcmp(setup_choice(setup, "reverse_steering"), "Yes") == 0;
  L.sticky_dab = strcmp(setup_choice(setup, "sticky_dab"), "Yes") == 0;

  // The race side: collision shapes, a generator seeded with the time, and
  // the track asked for on the command line.
  shape_cache_init(app.shapes, app.vfs);
  app.loader.random.seed(uint32_t(std::chrono::system_clock::now().time_since_epoch().count()));
  app.world.random.seed(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
  if (!app.cl.start_track.empty()) {
    TrackLoadRequest request;
    request.folder = app.tracks.tracks[size_t(app.track_selected)].folder;
    request.lineup = app.lineup;
    request.demo = !app.cl.demo_file.empty();
    request.laps = 1000;
    request.robot_skill = app.settings.skill.selected;
    app.cl.start_track.clear();
    app_track_load(app, request);
  }
  return -1;
}

int app_main(int argc, char** argv) {
  App* app = new App;
  int status = app_start(*app, argc, argv);
  if (status < 0) {
    app_main_loop(*app);
    status = app_shutdown(*app);
  }
  running_app = nullptr;
  delete app;
  return status;
}
