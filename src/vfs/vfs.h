// The virtual file system. Every data file is opened through it.
//
// A name beginning with "@" is virtual: it is tried in each search folder in
// order (folder 0 is the home folder, which also receives every write), then
// in the file index, which covers the loose files of the folders and the
// contents of ".saf" archives. Each candidate may be stored plain, gzip
// compressed (".gz"), scrambled (".scram") or both (".gz.scram"); readers see
// the plain bytes either way. Any other name is a real path.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <zlib.h>

#include "vfs/vfs_scramble.h"

// One known file: a loose file, or an entry stored inside an archive.
struct VfsEntry {
  std::string source;  // real file to open: the loose file or the archive
  std::string name;    // virtual name with "/" separators, relative to its folder
  int offset;          // byte offset of the data inside source (0 for loose files)
  int size;            // stored length in bytes
  int precedence;      // 0 home folder, 1 game folder, 2.. archives in opening order; lower wins
};

// Called once per folder walked and per archive listed, so a loading screen
// can stay alive while the index is built.
using VfsPump = void (*)(void* context);

struct Vfs {
  std::vector<std::string> folders;  // search folders, each ending in "/"; [0] is home
  bool folders_ready = false;        // folders computed (or set by vfs_set_folders)
  std::vector<VfsEntry> index;       // sorted by name (case-insensitive), then precedence
  bool index_ready = false;          // the index is built once and never rebuilt
  std::vector<const char*> list;     // one name per distinct name, null-terminated
  VfsPump pump = nullptr;            // loading-screen pump, or none
  void* pump_context = nullptr;
};

// One open stream.
struct VfsFile {
  FILE* file = nullptr;
  int base = 0;             // offset of the data inside the file
  int limit = 2147483647;   // stored length of the data
  int stored = 0;           // stored bytes taken from the file so far
  int position = 0;         // bytes consumed: stored bytes when plain, plain bytes when compressed
  int pushed = -1;          // one pushed-back byte, or -1
  bool writing = false;     // opened with a write mode
  bool compressed = false;  // gzip layer active
  bool scrambled = false;   // descrambler active
  bool at_end = false;      // compressed: the deflate stream has ended
  VfsScrambler scrambler;   // descrambler state when scrambled
  z_stream zs{};            // inflate state when compressed
  unsigned char* in = nullptr;   // 16 KiB of stored data (compressed streams)
  unsigned char* out = nullptr;  // 1 KiB window of inflated data
  unsigned out_pos = 0, out_len = 0;  // unread part of the window
};

enum { VFS_IN_BUFFER = 16384, VFS_OUT_WINDOW = 1024, VFS_NAME_MAX = 511, VFS_PATH_MAX = 1023 };

// Search folders. vfs_set_folders fixes them (start-up and tests); otherwise
// the first lookup computes them from the platform's home folder and LR_HOME
// (or the executable's folder). An empty home leaves the game folder as index 0.
void vfs_set_folders(Vfs& vfs, const std::string& home, const std::string& game);
const char* vfs_search_folder(Vfs& vfs, int i);
// Collapses runs of "/" (after turning "\" into "/") and ends the text in "/".
std::string vfs_folder_path(const std::string& path);

// Opens a virtual or real name. Mode is a C open mode, optionally prefixed by
// "~" to keep numbered backups ("%s.~%d~") of a file being overwritten.
VfsFile* vfs_open(Vfs& vfs, const char* name, const char* mode);
// Opens a real path (the read suffixes and write backups apply).
VfsFile* vfs_open_path(const char* path, const char* mode);
void vfs_close(VfsFile* f);

// Reading. vfs_read and vfs_gets take a pushed-back byte first.
int vfs_read(VfsFile* f, void* buffer, int n);
int vfs_getc(VfsFile* f);          // next byte, or -1 at end; ignores a pushed-back byte
int vfs_getc_pushed(VfsFile* f);   // the pushed-back byte if any, else the next
int vfs_peekc(VfsFile* f);         // the next byte, left pushed back
int vfs_skip_space(VfsFile* f);    // count of white space skipped, -1 at end
char* vfs_gets(VfsFile* f, char* buffer, int n);  // one line with its "\n", or null at end
int vfs_scanf(VfsFile* f, const char* format, ...) __attribute__((format(scanf, 2, 3)));
int vfs_vscanf(VfsFile* f, const char* format, va_list args);
void vfs_skip_comments(VfsFile* f);  // white space and lines starting with "#"
int vfs_read_int(VfsFile* f);        // one "%d", or -2147483648 when nothing converts

// Writing goes straight to the file.
int vfs_putc(VfsFile* f, int c);
int vfs_puts(VfsFile* f, const char* text);
int vfs_write(VfsFile* f, const void* bytes, int n);
int vfs_printf(VfsFile* f, const char* format, ...) __attribute__((format(printf, 2, 3)));
int vfs_flush(VfsFile* f);

// Only for streams neither compressed nor scrambled; position is relative to
// the data's start and must be below its length.
bool vfs_seek(VfsFile* f, int position);

// The whole file, zero-terminated, allocated with mem_alloc (free with
// mem_free); null when missing or 16 MiB or longer.
char* file_to_string(Vfs& vfs, const char* name);
bool vfs_exists(Vfs& vfs, const char* name);
bool vfs_describe(Vfs& vfs, int i, char* buffer, int length);
// Moves from over to ("@" names resolve to the home folder). The target is
// replaced in one rename, so it is never lost.
bool vfs_replace(Vfs& vfs, const char* from, const char* to);
void vfs_make_parents(const char* path);
// The sorted, null-terminated name list; builds the index on the first call.
const char* const* vfs_file_list(Vfs& vfs);
// Index of the first (lowest precedence) entry with this name, or -1.
int vfs_lookup(const Vfs& vfs, const char* name);
void vfs_shutdown(Vfs& vfs);
// Creates the home folder and asks the desktop to show it.
bool vfs_open_home(Vfs& vfs);

// Case-insensitive comparison used by the index (bytes after lower-casing).
int vfs_name_compare(const char* a, const char* b);
// Adds the entries of one archive; false (nothing added) when it is damaged.
bool vfs_add_archive(Vfs& vfs, const std::string& path, int precedence);
