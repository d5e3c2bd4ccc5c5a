// The track's timing gates: the starting gates where the grid lines up, the
// checkpoints riders must pass, and the order in which checkpoints make up
// the first lap and every later lap. Read from the track folder's
// "timing_gates" text file and written back by the track editor.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Vfs;

enum {
  GATES_STARTING_MAX = 160,     // starting gates read from a file
  GATES_CHECKPOINTS_MAX = 256,  // checkpoints read from a file
  GATES_SEQUENCE_MAX = 256,     // entries of each lap sequence
  GATES_UNCOUNTED = 100000,     // added to a checkpoint index: listed but not counted
};

// One place on the start line. The gate is drawn by a scenery object placed
// 3 units behind the gate point.
struct StartGate {
  float position[3];   // gate point x, y, z (feet)
  float heading;       // radians, wrapped into -pi..pi
  int object;          // scenery object drawing the gate, or -1 for none
  std::string model;   // model name as read (defaults "@startgate.jm")
  std::string texture; // texture name as read (default "@startgate.ppm")
  std::string shape;   // collision shape name as read (default "@startgate.shp")
};

// One timing checkpoint: a half circle on the ground plane that counts as
// passed from the side its direction points to.
struct Checkpoint {
  float size;          // radius of the crossing circle (feet)
  float position[3];   // centre x, y, z (feet)
  float direction[3];  // side that counts as passed (not normalised)
};

// Everything one "timing_gates" file defines. Lap data is present only when
// the set is valid (see gates_read); otherwise checkpoints and sequence are
// empty and both lap lengths are 0, while the starting gates stay.
struct GateSet {
  std::vector<StartGate> starting_gates;  // at most GATES_STARTING_MAX
  std::vector<Checkpoint> checkpoints;    // at most GATES_CHECKPOINTS_MAX
  // First-lap entries followed by normal-lap entries. Each is a checkpoint
  // index, or index + GATES_UNCOUNTED for one that is timed but not counted.
  std::vector<int> sequence;
  int first_lap_length = 0;   // entries of the first lap at the front of sequence
  int normal_lap_length = 0;  // entries of every later lap, after the first-lap ones
  int first_lap_counted = 0;  // counted entries (below GATES_UNCOUNTED) of the first lap
  int normal_lap_counted = 0; // counted entries of the normal lap
};

// How the reader asks the scenery for the object that draws a starting gate.
// add returns the new object's index, or -1 when none was made. The track
// loader plugs in the scenery's object creation; tests record the calls.
struct GateObjects {
  void* context = nullptr;
  int (*add)(void* context, float x, float height, float z, float angle, const char* model,
             const char* texture, const char* shape) = nullptr;
};

// Clears the set, then reads the file (an "@" name through the file system).
// A missing file leaves no gates and no laps and returns false. Damaged
// entries end their section and are logged; a set that fails validation
// keeps only its starting gates. At verbosity 1 or more logs
// "Found %d timing gates, first lap has %d gates, normal lap has %d\n".
bool gates_read(GateSet& gates, Vfs& vfs, const char* path, const GateObjects& objects, int verbosity);

// Writes the set in the file's own format ("wb"; "@" names go to the home
// folder). Posts "Can't open 'timing_gates'\n" when the file cannot be opened
// and returns false; also false when a write fails.
bool gates_write(const GateSet& gates, Vfs& vfs, const char* path);

// The file's text for the set, exactly as gates_write writes it.
std::string gates_format(const GateSet& gates);

// Empties the set.
void gates_clear(GateSet& gates);

// Whether the set can time laps: at least one checkpoint and more than two
// entries, and more than two counted entries, in each sequence.
bool gates_valid(const GateSet& gates);

// Sections of a riding line over this set: counted first-lap entries plus
// counted normal-lap entries (0 without laps).
int gates_line_sections(const GateSet& gates);

// A sequence entry as read from the file, made safe for n checkpoints:
// negative -> 0 (or -1 with no checkpoints); 0..99999 -> min(entry, n - 1);
// 100000 or more -> min(entry mod 100000, n - 1) + 100000.
int gates_convert_entry(long long entry, int checkpoint_count);

// The checkpoint an entry refers to, and whether it counts toward the lap.
inline int gates_entry_checkpoint(int entry) { return entry >= GATES_UNCOUNTED ? entry % GATES_UNCOUNTED : entry; }
inline bool gates_entry_counted(int entry) { return entry < GATES_UNCOUNTED; }

// A heading wrapped into -pi..pi ((h + pi) reduced modulo 2 pi, minus pi).
float gates_wrap_heading(float heading);
