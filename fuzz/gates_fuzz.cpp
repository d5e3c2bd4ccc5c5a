// Feeds arbitrary bytes to the "timing_gates" reader as a track file, then
// checks that what the writer makes of the result reads back to the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "track/gates.h"
#include "vfs/vfs.h"

static std::string fuzz_folder() {
  static std::string folder;
  if (folder.empty()) {
    char name[] = "/tmp/gates-fuzz-XXXXXX";
    if (!mkdtemp(name)) abort();
    folder = name;
  }
  return folder;
}

static int fuzz_add_object(void* context, float, float, float, float, const char*, const char*, const char*) {
  return (*(int*)context)++;
}

static void fuzz_write(const std::string& path, const void* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = fuzz_folder() + "/timing_gates";
  fuzz_write(path, data, size);
  Vfs vfs;
  vfs_set_folders(vfs, fuzz_folder() + "/home/", fuzz_folder() + "/game/");
  int next_object = 0;
  GateObjects objects;
  objects.context = &next_object;
  objects.add = fuzz_add_object;
  GateSet gates;
  gates_read(gates, vfs, path.c_str(), objects, 1);
  if (int(gates.starting_gates.size()) > GATES_STARTING_MAX || int(gates.checkpoints.size()) > GATES_CHECKPOINTS_MAX ||
      gates.first_lap_length > GATES_SEQUENCE_MAX || gates.normal_lap_length > GATES_SEQUENCE_MAX ||
      int(gates.sequence.size()) != gates.first_lap_length + gates.normal_lap_length)
    abort();
  for (int entry : gates.sequence)
    if (gates_entry_checkpoint(entry) < 0 || gates_entry_checkpoint(entry) >= int(gates.checkpoints.size())) abort();

  std::string first = gates_format(gates);
  fuzz_write(path, first.data(), first.size());
  GateSet again;
  gates_read(again, vfs, path.c_str(), objects, 0);
  if (gates_format(again) != first) abort();
  vfs_shutdown(vfs);
  return 0;
}
