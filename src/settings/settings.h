// The player's settings: the values start-up and the other subsystems read.
#pragma once
#include <string>

struct Vfs;

struct Settings {
  int xres = 640, yres = 480;           // windowed client size in pixels
  std::string video_mode = "Default Fullscreen";  // "Default Fullscreen", "Windowed" or "%dx%d"
  int fov = 110;                        // horizontal field of view, degrees
  std::string track;                    // folder name of the track to select at start
  std::string bike = "yz250f(2017)";    // selected bike model
  std::string rider_body = "default", rider_head = "default";  // texture choices (display text)
  std::string bike_texture = "default", wheel_texture = "default";
  std::string server_name;              // last server address typed or connected to
  char server_name_history[16][128] = {};  // recently used servers
  // Graphics values (preset 0, "Compatibility", is applied before reading).
  int reshade_delay = 8;
  int roost_density = 1000;             // 0..1000
  int model_detail = 50;                // 0..100
  bool use_shader = true, lens_flare = true, reflections = true;
  std::string render_texture = "Software";
  int texture_compress = 0;             // index into "No", "Yes", "Always"
  bool ground_mipmaps = true;
  int ground_texture_dim = 1;           // index into 32x32 .. 1024x1024
  int ground_texture_detail = 9, model_texture_detail = 9;  // 0..10
  int ground_detail = 70;               // 0..100
};

// Graphics presets 0 "Compatibility", 1 "High FPS", 2 "Normal", 3 "High Detail".
void settings_apply_preset(Settings& s, int preset);
