// Names of keys and buttons: the name pool, the alias table, the key-name
// tables and the translation between names and event codes.
#include "platform/input_device.h"
#include "platform/keymap.h"
#include "platform/log.h"

#include <SDL2/SDL_keyboard.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

struct NamePool {
  std::mutex lock;             // pooling may happen on any thread
  std::set<std::string> texts;  // ascending byte order; nodes never move
};

NamePool& name_pool_global() {
  static NamePool pool;
  return pool;
}

struct Alias {
  const char* alias;   // pooled
  const char* target;  // pooled
};

struct AliasTable {
  std::mutex lock;
  std::vector<Alias> pairs;  // oldest first; each alias once
};

AliasTable& alias_table_global() {
  static AliasTable table;
  return table;
}

struct NamedCode {
  const char* name;
  uint32_t code;
};

constexpr NamedCode special_names[] = {
    {"Close", EVENT_WINDOW_CLOSE},
    {"Mouse Left", EVENT_MOUSE_LEFT},
    {"Mouse Middle", EVENT_MOUSE_MIDDLE},
    {"Mouse Right", EVENT_MOUSE_RIGHT},
};

// The fallback names of keys by set-1 scan code (bit 8: extended key). Where
// the system names a key, that name comes first; these still find the key.
constexpr NamedCode fixed_keys[] = {
    {"Esc", 0x01},
    {"0", 0x0B},
    {"1", 0x02}, {"2", 0x03}, {"3", 0x04}, {"4", 0x05}, {"5", 0x06},
    {"6", 0x07}, {"7", 0x08}, {"8", 0x09}, {"9", 0x0A},
    {"A", 0x1E}, {"B", 0x30}, {"C", 0x2E}, {"D", 0x20}, {"E", 0x12},
    {"F", 0x21}, {"G", 0x22}, {"H", 0x23}, {"I", 0x17}, {"J", 0x24},
    {"K", 0x25}, {"L", 0x26}, {"M", 0x31}, {"N", 0x32}, {"O", 0x18},
    {"P", 0x19}, {"Q", 0x10}, {"R", 0x13}, {"S", 0x1F}, {"T", 0x14},
    {"U", 0x16}, {"V", 0x2F}, {"W", 0x11}, {"X", 0x2D}, {"Y", 0x15},
    {"Z", 0x2C},
    {"-", 0x0C}, {"=", 0x0D}, {"[", 0x1A}, {"]", 0x1B}, {";", 0x27},
    {"'", 0x28}, {"`", 0x29}, {"\\", 0x2B}, {",", 0x33}, {".", 0x34},
    {"/", 0x35},
    {"Backspace", 0x0E},
    {"Tab", 0x0F},
    {"Enter", 0x1C},
    {"Left Ctrl", 0x1D},
    {"Left Shift", 0x2A},
    {"Right Shift", 0x36},
    {"Space", 0x39},
    {" ", 0x39},
    {"Caps Lock", 0x3A},
    {"Right Ctrl", 0x11D},
    {"Insert", 0x152},
    {"Delete", 0x153},
    {"Home", 0x147},
    {"End", 0x14F},
    {"Page Up", 0x149},
    {"Page Down", 0x151},
    {"Up", 0x148},
    {"Down", 0x150},
    {"Left", 0x14B},
    {"Right", 0x14D},
    {"F1", 0x3B}, {"F2", 0x3C}, {"F3", 0x3D}, {"F4", 0x3E}, {"F5", 0x3F},
    {"F6", 0x40}, {"F7", 0x41}, {"F8", 0x42}, {"F9", 0x43}, {"F10", 0x44},
    {"F11", 0x57},
    {"F12", 0x58},
    {"Pause", 0x45},
    {"Num Lock", 0x145},
    {"Keypad /", 0x135},
    {"Keypad *", 0x37},
    {"Keypad -", 0x4A},
    {"Keypad 7", 0x47},
    {"Keypad 8", 0x48},
    {"Keypad 9", 0x49},
    {"Keypad +", 0x4E},
    {"Keypad 4", 0x4B},
    {"Keypad 5", 0x4C},
    {"Keypad 6", 0x4D},
    {"Keypad 1", 0x4F},
    {"Keypad 2", 0x50},
    {"Keypad 3", 0x51},
    {"Keypad Enter", 0x11C},
    {"Keypad 0", 0x52},
    {"Keypad .", 0x53},
};
static_assert(sizeof fixed_keys / sizeof fixed_keys[0] == 98);

constexpr int scan_codes = 512;

// The system's key names by set-1 code: SDL's names of the matching
// scancodes, which do not depend on the keyboard layout; "" for none.
const std::array<const char*, scan_codes>& system_names() {
  static const std::array<const char*, scan_codes> names = [] {
    std::array<const char*, scan_codes> out;
    for (int s = 0; s < scan_codes; ++s) {
      int sdl = keymap_sdl_from_set1(s);
      const char* n = sdl ? SDL_GetScancodeName(SDL_Scancode(sdl)) : "";
      out[s] = name_pool(n ? n : "");
    }
    return out;
  }();
  return names;
}

bool is_loose_space(unsigned char c) { return c == ' ' || c == '_' || (c >= '\t' && c <= '\r'); }

unsigned char loose_fold(unsigned char c) {
  if (is_loose_space(c)) return ' ';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 'a';
  return c;
}

using Compare = bool (*)(const char*, const char*);

bool names_equal(const char* a, const char* b) { return strcmp(a, b) == 0; }

// One pass over the three key tables with the given comparison.
uint32_t search_keys(const char* name, Compare same) {
  for (const NamedCode& s : special_names)
    if (same(name, s.name)) return s.code;
  const auto& sys = system_names();
  for (int s = 0; s < scan_codes; ++s)
    if (*sys[s] && same(name, sys[s])) return EVENT_KEY_BASE + uint32_t(s);
  for (const NamedCode& k : fixed_keys)
    if (same(name, k.name)) return EVENT_KEY_BASE + k.code;
  return 0;
}

// "Name.key[n]" or "Name button n": a button of a listed device.
uint32_t device_button_code(InputDevices* d, const char* name) {
  char device[device_name_max + 1];
  int n = -1;
  if (sscanf(name, "%63[^.].key[%d]", device, &n) != 2 && sscanf(name, "%63s button %d", device, &n) != 2) return 0;
  if (n < 0 || n >= device_button_max) return 0;
  InputDevice* dev = device_find(d, device);
  if (!dev || n >= dev->buttons) return 0;
  dev->buttons_in_use = dev->ops->enable_buttons(dev);
  return dev->code | uint32_t(n);
}

}  // namespace

const char* name_pool(const char* text) {
  if (!text) return nullptr;
  NamePool& pool = name_pool_global();
  std::lock_guard<std::mutex> hold(pool.lock);
  return pool.texts.emplace(text).first->c_str();
}

bool alias_add(const char* alias, const char* target) {
  if (!alias || !target) return false;
  AliasTable& table = alias_table_global();
  std::lock_guard<std::mutex> hold(table.lock);
  for (const Alias& a : table.pairs) {
    if (strcmp(a.alias, alias) == 0) {
      log_message("Second alias for '%s' ('%s') ignored\n", alias, target);
      return false;
    }
  }
  table.pairs.push_back(Alias{name_pool(alias), name_pool(target)});
  return true;
}

const char* alias_lookup(const char* name) {
  if (!name) return nullptr;
  AliasTable& table = alias_table_global();
  std::lock_guard<std::mutex> hold(table.lock);
  for (const Alias& a : table.pairs)
    if (strcmp(a.alias, name) == 0) return a.target;
  return name;
}

bool names_match_loose(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (!*a || !*b) return !*a && !*b;
    if (loose_fold((unsigned char)*a) != loose_fold((unsigned char)*b)) return false;
  }
}

const char* key_table_name(int scan) {
  for (const NamedCode& k : fixed_keys)
    if (int(k.code) == scan) return k.name;
  return nullptr;
}

const char* key_system_name(int scan) {
  if (scan < 0 || scan >= scan_codes) return "";
  return system_names()[scan];
}

uint32_t key_code(InputDevices* d, const char* name) {
  if (!name) return 0;
  name = alias_lookup(name);
  if (uint32_t code = search_keys(name, names_equal)) return code;
  if (uint32_t code = search_keys(name, names_match_loose)) return code;
  unsigned value = 0;
  if (sscanf(name, "0x%x", &value) == 1 && value < unsigned(scan_codes)) return EVENT_KEY_BASE + value;
  return d ? device_button_code(d, name) : 0;
}

const char* key_name(InputDevices* d, uint32_t code) {
  for (const NamedCode& s : special_names)
    if (s.code == code) return s.name;
  if (code >= EVENT_KEY_BASE && code < EVENT_KEY_BASE + scan_codes) {
    int scan = int(code - EVENT_KEY_BASE);
    const char* sys = key_system_name(scan);
    if (*sys) return sys;
    if (const char* fixed = key_table_name(scan)) return fixed;
    char hex[16];
    snprintf(hex, sizeof hex, "0x%x", unsigned(scan));
    return name_pool(hex);
  }
  if (!d) return nullptr;
  for (InputDevice* dev = d->first; dev; dev = dev->next) {
    if (dev->code != (code & 0xFFFF0000u)) continue;
    char text[1100];
    snprintf(text, sizeof text, "%.1000s button %d", dev->name.c_str(), int(code & 0xFF));
    return name_pool(text);
  }
  return nullptr;
}
