#include "platform/shell.h"

#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string platform_home_folder() {
  const char* xdg = getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/Loamrun/";
  const char* home = getenv("HOME");
  if (home && *home) return std::string(home) + "/.local/share/Loamrun/";
  return std::string();
}

std::string platform_exe_folder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return std::string();
  std::string path(buf, size_t(n));
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

bool platform_make_dir(const char* path) {
  if (mkdir(path, 0755) == 0) return true;
  struct stat st;
  return errno == EEXIST && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool platform_open_folder(const char* path) {
  // Double fork so the opener is not left as our zombie and we never wait on it.
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    pid_t pid;
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(path), nullptr};
    int rc = posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ);
    _exit(rc == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
