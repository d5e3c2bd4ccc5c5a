#include "platform/keymap.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Scancodes are USB HID keyboard usage numbers, written out here by number so
// the expectations do not lean on the table they check.
struct Key {
  const char* name;
  int usage;
  int set1;
};

const Key expected_keys[] = {
    {"A", 0x04, 0x1E}, {"B", 0x05, 0x30}, {"C", 0x06, 0x2E}, {"D", 0x07, 0x20},
    {"E", 0x08, 0x12}, {"F", 0x09, 0x21}, {"G", 0x0A, 0x22}, {"H", 0x0B, 0x23},
    {"I", 0x0C, 0x17}, {"J", 0x0D, 0x24}, {"K", 0x0E, 0x25}, {"L", 0x0F, 0x26},
    {"M", 0x10, 0x32}, {"N", 0x11, 0x31}, {"O", 0x12, 0x18}, {"P", 0x13, 0x19},
    {"Q", 0x14, 0x10}, {"R", 0x15, 0x13}, {"S", 0x16, 0x1F}, {"T", 0x17, 0x14},
    {"U", 0x18, 0x16}, {"V", 0x19, 0x2F}, {"W", 0x1A, 0x11}, {"X", 0x1B, 0x2D},
    {"Y", 0x1C, 0x15}, {"Z", 0x1D, 0x2C},
    {"1", 0x1E, 0x02}, {"2", 0x1F, 0x03}, {"3", 0x20, 0x04}, {"4", 0x21, 0x05},
    {"5", 0x22, 0x06}, {"6", 0x23, 0x07}, {"7", 0x24, 0x08}, {"8", 0x25, 0x09},
    {"9", 0x26, 0x0A}, {"0", 0x27, 0x0B},
    {"Enter", 0x28, 0x1C}, {"Escape", 0x29, 0x01}, {"Backspace", 0x2A, 0x0E},
    {"Tab", 0x2B, 0x0F}, {"Space", 0x2C, 0x39},
    {"Minus", 0x2D, 0x0C}, {"Equals", 0x2E, 0x0D}, {"Left bracket", 0x2F, 0x1A},
    {"Right bracket", 0x30, 0x1B}, {"Backslash", 0x31, 0x2B}, {"Semicolon", 0x33, 0x27},
    {"Apostrophe", 0x34, 0x28}, {"Grave", 0x35, 0x29}, {"Comma", 0x36, 0x33},
    {"Period", 0x37, 0x34}, {"Slash", 0x38, 0x35}, {"Caps Lock", 0x39, 0x3A},
    {"F1", 0x3A, 0x3B}, {"F2", 0x3B, 0x3C}, {"F3", 0x3C, 0x3D}, {"F4", 0x3D, 0x3E},
    {"F5", 0x3E, 0x3F}, {"F6", 0x3F, 0x40}, {"F7", 0x40, 0x41}, {"F8", 0x41, 0x42},
    {"F9", 0x42, 0x43}, {"F10", 0x43, 0x44}, {"F11", 0x44, 0x57}, {"F12", 0x45, 0x58},
    {"Print Screen", 0x46, 0x137}, {"Scroll Lock", 0x47, 0x46}, {"Pause", 0x48, 0x45},
    {"Insert", 0x49, 0x152}, {"Home", 0x4A, 0x147}, {"Page Up", 0x4B, 0x149},
    {"Delete", 0x4C, 0x153}, {"End", 0x4D, 0x14F}, {"Page Down", 0x4E, 0x151},
    {"Right", 0x4F, 0x14D}, {"Left", 0x50, 0x14B}, {"Down", 0x51, 0x150},
    {"Up", 0x52, 0x148}, {"Num Lock", 0x53, 0x145},
    {"Keypad /", 0x54, 0x135}, {"Keypad *", 0x55, 0x37}, {"Keypad -", 0x56, 0x4A},
    {"Keypad +", 0x57, 0x4E}, {"Keypad Enter", 0x58, 0x11C},
    {"Keypad 1", 0x59, 0x4F}, {"Keypad 2", 0x5A, 0x50}, {"Keypad 3", 0x5B, 0x51},
    {"Keypad 4", 0x5C, 0x4B}, {"Keypad 5", 0x5D, 0x4C}, {"Keypad 6", 0x5E, 0x4D},
    {"Keypad 7", 0x5F, 0x47}, {"Keypad 8", 0x60, 0x48}, {"Keypad 9", 0x61, 0x49},
    {"Keypad 0", 0x62, 0x52}, {"Keypad .", 0x63, 0x53},
    {"102nd key", 0x64, 0x56}, {"Menu", 0x65, 0x15D},
    {"F13", 0x68, 0x64}, {"F14", 0x69, 0x65}, {"F15", 0x6A, 0x66}, {"F16", 0x6B, 0x67},
    {"F17", 0x6C, 0x68}, {"F18", 0x6D, 0x69}, {"F19", 0x6E, 0x6A}, {"F20", 0x6F, 0x6B},
    {"F21", 0x70, 0x6C}, {"F22", 0x71, 0x6D}, {"F23", 0x72, 0x6E}, {"F24", 0x73, 0x76},
    {"International1", 0x87, 0x73}, {"International2", 0x88, 0x70},
    {"International3", 0x89, 0x7D}, {"International4", 0x8A, 0x79},
    {"International5", 0x8B, 0x7B}, {"Lang1", 0x90, 0xF2}, {"Lang2", 0x91, 0xF1},
    {"Left Ctrl", 0xE0, 0x1D}, {"Left Shift", 0xE1, 0x2A}, {"Left Alt", 0xE2, 0x38},
    {"Left GUI", 0xE3, 0x15B}, {"Right Ctrl", 0xE4, 0x11D}, {"Right Shift", 0xE5, 0x36},
    {"Right Alt", 0xE6, 0x138}, {"Right GUI", 0xE7, 0x15C},
};

// Scancodes run below 512; set-1 codes (with the extended bit) below 0x200.
constexpr int scancode_end = 512;
constexpr int set1_end = 0x200;

}  // namespace

TEST(Keymap, EveryKeyHasItsSet1Code) {
  for (const Key& k : expected_keys) {
    EXPECT_EQ(keymap_set1_from_sdl(k.usage), k.set1) << k.name;
    EXPECT_EQ(keymap_sdl_from_set1(k.set1), k.usage) << k.name;
  }
}

// Nothing is mapped beyond the keys above, no two scancodes share a set-1
// code, and both directions agree wherever either gives an answer.
TEST(Keymap, TheTwoDirectionsAreOneToOneOverTheWholeRange) {
  std::map<int, int> owner;  // set-1 code -> scancode that produced it
  for (int s = 0; s < scancode_end; ++s) {
    int c = keymap_set1_from_sdl(s);
    if (c == 0) continue;
    EXPECT_TRUE(owner.emplace(c, s).second)
        << "scancodes " << owner[c] << " and " << s << " share set-1 code 0x" << std::hex << c;
    EXPECT_EQ(keymap_sdl_from_set1(c), s) << "scancode " << s;
  }
  EXPECT_EQ(owner.size(), std::size(expected_keys));

  int reverse_mapped = 0;
  for (int c = 0; c < set1_end; ++c) {
    int s = keymap_sdl_from_set1(c);
    if (s == 0) continue;
    reverse_mapped++;
    EXPECT_EQ(keymap_set1_from_sdl(s), c) << "set-1 code 0x" << std::hex << c;
  }
  EXPECT_EQ(reverse_mapped, int(std::size(expected_keys)));
}

TEST(Keymap, UnknownKeysGiveZero) {
  const int scancodes[] = {0,    -1,   512, 1 << 20,
                           0x32,   // the ISO hash key: the backslash key carries 0x2B
                           0x7F,   // mute
                           0xE8,   // past Right GUI
                           0x101}; // mode switch
  for (int s : scancodes) EXPECT_EQ(keymap_set1_from_sdl(s), 0) << s;

  const int set1_codes[] = {0,     -1,   0x200, 0x1000 + 0x1E,  // an event code, not a set-1 code
                            0x54,  // Alt+Print Screen
                            0x100, 0x11E,  // the extended bit on a plain key
                            0x12A, 0x1FF};
  for (int c : set1_codes) EXPECT_EQ(keymap_sdl_from_set1(c), 0) << std::hex << c;
}
