// "map.png": the track seen from above for the race display, RGBA, the
// whole field from x = 0 (left) to the far edge and from z = 0 (top row)
// down; transparent off the course, the course a light band with a dark
// edge, the start in green and the finish line chequered.
#pragma once
#include "gamedata/gd_image.h"
#include "gamedata/track_course.h"

enum { GD_MAP_PIXELS = 256 };

bool gd_map_image(const GdTrack& track, const GdTerrain& terrain, const GdCourse& course, GdImage& out);
