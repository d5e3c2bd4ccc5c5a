// Setup files in "@setups/": the console's readsetup and writesetup.
#include "bike/setup.h"

#include "platform/messages.h"
#include "vfs/vfs.h"

#include <cstring>
#include <string>

// "@setups/" and the name without the blanks around it, or "" when the name
// is empty or has a ".." part that would leave the folder.
static std::string setup_file_path(const char* name) {
  std::string n = name ? name : "";
  size_t first = n.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  n = n.substr(first, n.find_last_not_of(" \t") - first + 1);
  for (size_t start = 0; start <= n.size();) {
    size_t end = n.find_first_of("/\\", start);
    if (end == std::string::npos) end = n.size();
    if (n.compare(start, end - start, "..") == 0) return "";
    start = end + 1;
  }
  return "@setups/" + n;
}

bool setup_file_read(Setup& s, Vfs& vfs, const char* name) {
  std::string path = setup_file_path(name);
  VfsFile* f = path.empty() ? nullptr : vfs_open(vfs, path.c_str(), "rb");
  if (!f) {
    message_post("Error reading setup");
    return false;
  }
  if (s.numbers.empty()) setup_defaults(s);
  std::string line;
  for (bool more = true; more;) {
    int c = vfs_getc_pushed(f);
    more = c >= 0;
    if (more && c != '\n') {
      line += char(c);
      continue;
    }
    size_t eq = line.find('=');
    if (eq != std::string::npos) {
      std::string key = line.substr(0, eq), value = line.substr(eq + 1);
      while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
      // A NUL inside the line ends the key or value there, as a C string would.
      setup_read(s, key.c_str(), value.c_str());
    }
    line.clear();
  }
  vfs_close(f);
  message_post("Setup updated");
  return true;
}

bool setup_file_write(const Setup& s, Vfs& vfs, const char* name) {
  std::string path = setup_file_path(name);
  VfsFile* f = path.empty() ? nullptr : vfs_open(vfs, path.c_str(), "wb");
  bool ok = f && setup_write(s, f) && vfs_flush(f) == 0;
  if (f) vfs_close(f);
  message_post(ok ? "Setup written" : "Error writing setup");
  return ok;
}
