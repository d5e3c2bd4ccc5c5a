// Reading back what was drawn: screenshots and the video recorder.
#pragma once
#include <cstdio>
#include <vector>

struct Vfs;

// RGB bytes of the current back buffer, bottom row first; empty on failure.
std::vector<unsigned char> frame_read_pixels(int width, int height);
// Writes one "P6" frame (rows top first) to out.
bool frame_write_ppm(FILE* out, int width, int height, const std::vector<unsigned char>& rgb_bottom_up);
// The number the first screenshot of a run takes: one more than the highest
// among file names that scan as "screenshot%u.ppm" (1 when there are none).
int frame_first_screenshot_number(const char* const* names);
// Writes "@screenshot%03d.png" into the home folder; false on failure.
bool frame_save_screenshot(Vfs& vfs, int number, int width, int height, const std::vector<unsigned char>& rgb);
