#include "gamedata/track_defs.h"

#include <cstring>

// Corners are arcs given by their two ends and the points at 45 degrees
// between, so the curve keeps a steady radius through them.
static const double diag = 0.70710678118654752;

// Clay Pit: 512 ft square, clockwise. A start straight with a double, a
// rhythm lane down the right, a finger with a tabletop and a hairpin, a
// kicker, whoops along the bottom, a tabletop and a double up the left, and
// a berm in every corner.
static const GdPoint claypit_loop[] = {
    {110, 90}, {245, 90}, {380, 90},                                        // 0-2 start straight
    {380 + 40 * diag, 130 - 40 * diag}, {420, 130},                         // 3-4 corner, radius 40
    {420, 210}, {380 + 40 * diag, 210 + 40 * diag}, {380, 250},             // 5-7 right side, corner
    {300, 250},                                                             // 8 finger, westward
    {300 - 35 * diag, 285 - 35 * diag}, {265, 285}, {300 - 35 * diag, 285 + 35 * diag},  // 9-11 hairpin
    {300, 320}, {380, 320}, {380 + 40 * diag, 360 - 40 * diag}, {420, 360},  // 12-15 back east, corner
    {420, 400}, {380 + 40 * diag, 400 + 40 * diag}, {380, 440},             // 16-18 corner
    {245, 440}, {110, 440},                                                 // 19-20 bottom straight
    {110 - 40 * diag, 400 + 40 * diag}, {70, 400},                          // 21-22 corner
    {70, 260}, {70, 130}, {110 - 40 * diag, 130 - 40 * diag},               // 23-25 left side, corner
};

static const GdBump claypit_bumps[] = {
    // at, offset, rise, top, fall, height, across, repeat, lip
    {0.3, 0, 18, 2, 10, 6.0, GD_ACROSS_FULL, 1, true},  // double: kicker face, 28 ft gap,
    {0.3, 58, 8, 4, 26, 5.0, GD_ACROSS_FULL, 1, false},  // long landing
    {2, -15, 15, 63, 15, 6.0, GD_ACROSS_BANK, 1, false},
    {4, 6, 7, 0, 7, 2.5, GD_ACROSS_FULL, 5, false},  // rhythm lane
    {5, -15, 15, 63, 15, 6.0, GD_ACROSS_BANK, 1, false},
    {7, 12, 18, 20, 18, 5.0, GD_ACROSS_FULL, 1, false},  // tabletop
    {8, -15, 15, 110, 15, 6.0, GD_ACROSS_BANK, 1, false},  // hairpin
    {12, 24, 16, 2, 14, 4.0, GD_ACROSS_FULL, 1, true},  // kicker
    {13, -15, 15, 63, 15, 5.0, GD_ACROSS_BANK, 1, false},
    {16, -15, 15, 63, 15, 5.0, GD_ACROSS_BANK, 1, false},
    {18, 40, 5, 0, 5, 1.2, GD_ACROSS_FULL, 12, false},  // whoops
    {20, -15, 15, 63, 15, 6.0, GD_ACROSS_BANK, 1, false},
    {22, 20, 22, 36, 22, 6.0, GD_ACROSS_FULL, 1, false},  // big tabletop
    {22, 150, 16, 2, 10, 5.0, GD_ACROSS_FULL, 1, true},  // double
    {22, 200, 8, 2, 24, 4.5, GD_ACROSS_FULL, 1, false},
    {24, -15, 15, 63, 15, 5.0, GD_ACROSS_BANK, 1, false},
};

// Sand Hill: a short rounded square, 256 ft across, clockwise: tabletop,
// rollers, a double and whoops between four berms.
static const GdPoint sandhill_loop[] = {
    {82, 50}, {174, 50}, {174 + 32 * diag, 82 - 32 * diag},    // 0-2 top straight, corner
    {206, 82}, {206, 174}, {174 + 32 * diag, 174 + 32 * diag},  // 3-5 right side, corner
    {174, 206}, {82, 206}, {82 - 32 * diag, 174 + 32 * diag},   // 6-8 bottom, corner
    {50, 174}, {50, 82}, {82 - 32 * diag, 82 - 32 * diag},      // 9-11 left side, corner
};

static const GdBump sandhill_bumps[] = {
    {0, 12, 16, 18, 16, 4.0, GD_ACROSS_FULL, 1, false},  // tabletop
    {1, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
    {3, 10, 7, 0, 7, 2.0, GD_ACROSS_FULL, 5, false},  // rollers
    {4, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
    {6, 8, 14, 2, 8, 4.0, GD_ACROSS_FULL, 1, true},  // double
    {6, 46, 6, 2, 20, 3.5, GD_ACROSS_FULL, 1, false},
    {7, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
    {9, 14, 4, 0, 4, 1.0, GD_ACROSS_FULL, 8, false},  // whoops
    {10, -12, 12, 50, 12, 5.0, GD_ACROSS_BANK, 1, false},
};

#define COUNT(a) int(sizeof(a) / sizeof((a)[0]))

static const GdTrack tracks[] = {
    {"claypit", "Clay Pit MX", 7, 2.0, 22, 12, claypit_loop, COUNT(claypit_loop), claypit_bumps,
     COUNT(claypit_bumps), {10, 3, 220, 14, 48, 0.5}},
    {"sandhill", "Sand Hill MX", 6, 2.0, 20, 10, sandhill_loop, COUNT(sandhill_loop), sandhill_bumps,
     COUNT(sandhill_bumps), {6, 2, 160, 10, 28, 0.4}},
};

const GdTrack* gd_tracks(int& count) {
  count = COUNT(tracks);
  return tracks;
}

const GdTrack* gd_track_find(const char* folder) {
  for (const GdTrack& t : tracks)
    if (strcmp(t.folder, folder) == 0) return &t;
  return nullptr;
}
