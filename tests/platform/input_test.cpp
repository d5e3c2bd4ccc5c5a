// Key names and codes, aliases, device codes, button names and axis handles,
// over devices made by the test (no SDL devices, no display).
#include "platform/input.h"
#include "platform/input_device.h"
#include "platform/log.h"

#include <gtest/gtest.h>

#include <cctype>
#include <deque>
#include <string>
#include <vector>

namespace {

struct NamedKey {
  const char* name;
  int scan;  // set-1 scan code, bit 8 for extended keys
};

// The fallback key names as they must be found.
const NamedKey fixed_names[] = {
    {"Esc", 0x01}, {"0", 0x0B}, {"1", 0x02}, {"2", 0x03}, {"3", 0x04}, {"4", 0x05}, {"5", 0x06},
    {"6", 0x07}, {"7", 0x08}, {"8", 0x09}, {"9", 0x0A}, {"A", 0x1E}, {"B", 0x30}, {"C", 0x2E},
    {"D", 0x20}, {"E", 0x12}, {"F", 0x21}, {"G", 0x22}, {"H", 0x23}, {"I", 0x17}, {"J", 0x24},
    {"K", 0x25}, {"L", 0x26}, {"M", 0x31}, {"N", 0x32}, {"O", 0x18}, {"P", 0x19}, {"Q", 0x10},
    {"R", 0x13}, {"S", 0x1F}, {"T", 0x14}, {"U", 0x16}, {"V", 0x2F}, {"W", 0x11}, {"X", 0x2D},
    {"Y", 0x15}, {"Z", 0x2C}, {"-", 0x0C}, {"=", 0x0D}, {"[", 0x1A}, {"]", 0x1B}, {";", 0x27},
    {"'", 0x28}, {"`", 0x29}, {"\\", 0x2B}, {",", 0x33}, {".", 0x34}, {"/", 0x35},
    {"Backspace", 0x0E}, {"Tab", 0x0F}, {"Enter", 0x1C}, {"Left Ctrl", 0x1D}, {"Left Shift", 0x2A},
    {"Right Shift", 0x36}, {"Space", 0x39}, {" ", 0x39}, {"Caps Lock", 0x3A}, {"Right Ctrl", 0x11D},
    {"Insert", 0x152}, {"Delete", 0x153}, {"Home", 0x147}, {"End", 0x14F}, {"Page Up", 0x149},
    {"Page Down", 0x151}, {"Up", 0x148}, {"Down", 0x150}, {"Left", 0x14B}, {"Right", 0x14D},
    {"F1", 0x3B}, {"F2", 0x3C}, {"F3", 0x3D}, {"F4", 0x3E}, {"F5", 0x3F}, {"F6", 0x40},
    {"F7", 0x41}, {"F8", 0x42}, {"F9", 0x43}, {"F10", 0x44}, {"F11", 0x57}, {"F12", 0x58},
    {"Pause", 0x45}, {"Num Lock", 0x145}, {"Keypad /", 0x135}, {"Keypad *", 0x37},
    {"Keypad -", 0x4A}, {"Keypad 7", 0x47}, {"Keypad 8", 0x48}, {"Keypad 9", 0x49},
    {"Keypad +", 0x4E}, {"Keypad 4", 0x4B}, {"Keypad 5", 0x4C}, {"Keypad 6", 0x4D},
    {"Keypad 1", 0x4F}, {"Keypad 2", 0x50}, {"Keypad 3", 0x51}, {"Keypad Enter", 0x11C},
    {"Keypad 0", 0x52}, {"Keypad .", 0x53},
};

std::string loose_variant(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) out += *p == ' ' ? '_' : char(toupper((unsigned char)*p));
  return out;
}

TEST(KeyNames, EveryFixedNameFindsItsKeyExactlyAndLoosely) {
  ASSERT_EQ(sizeof fixed_names / sizeof fixed_names[0], 98u);
  for (const NamedKey& k : fixed_names) {
    uint32_t want = 0x1000u + uint32_t(k.scan);
    // The letters M and N are the system's names of the keys at 0x32 and
    // 0x31, and the system's names are searched first.
    if (std::string(k.name) == "M") want = 0x1032;
    if (std::string(k.name) == "N") want = 0x1031;
    EXPECT_EQ(key_code(nullptr, k.name), want) << '"' << k.name << '"';
    EXPECT_EQ(key_code(nullptr, loose_variant(k.name).c_str()), want) << '"' << loose_variant(k.name) << '"';
  }
}

TEST(KeyNames, EveryScanCodeHasANameThatLeadsBackToIt) {
  for (uint32_t code = 0x1000; code < 0x1200; ++code) {
    const char* name = key_name(nullptr, code);
    ASSERT_NE(name, nullptr) << std::hex << code;
    EXPECT_EQ(key_code(nullptr, name), code) << '"' << name << '"';
    EXPECT_EQ(key_name(nullptr, code), name) << "pooled once";
  }
}

TEST(KeyNames, NamesForCodes) {
  struct Case {
    uint32_t code;
    const char* name;  // null: no name
  } cases[] = {
      {0xDEAD, "Close"},       {0x2000, "Mouse Left"}, {0x2001, "Mouse Middle"}, {0x2002, "Mouse Right"},
      {0x101D, "Left Ctrl"},   {0x1001, "Escape"},     {0x1148, "Up"},           {0x1059, "0x59"},
      {0x1156, "0x156"},       {0x41, nullptr},        {0x2003, nullptr},        {0x10003, nullptr},
  };
  for (const Case& c : cases) {
    const char* got = key_name(nullptr, c.code);
    if (!c.name) EXPECT_EQ(got, nullptr) << std::hex << c.code;
    else EXPECT_STREQ(got, c.name) << std::hex << c.code;
  }
}

TEST(KeyNames, SpecialLooseAndHexForms) {
  struct Case {
    const char* name;
    uint32_t code;  // 0: no such key
  } cases[] = {
      {"Close", 0xDEAD},      {"mouse_left", 0x2000}, {"MOUSE MIDDLE", 0x2001}, {"Mouse\tRight", 0x2002},
      {"Left Ctrl", 0x101D},  {"LEFT CTRL", 0x101D},  {"Left_Ctrl", 0x101D},    {"left\nctrl", 0x101D},
      {"Left  Ctrl", 0},      {"LeftCtrl", 0},        {"Left Ctrl ", 0},        {"_", 0x1039},
      {"0x1D", 0x101D},       {"0x1ff", 0x11FF},      {"0x0", 0x1000},          {"0x200", 0},
      {"0x", 0},              {"Nonsense", 0},        {"", 0},                  {"Keypad enter", 0x111C},
  };
  for (const Case& c : cases) EXPECT_EQ(key_code(nullptr, c.name), c.code) << '"' << c.name << '"';
  EXPECT_EQ(key_code(nullptr, nullptr), 0u);
}

struct LogLines {
  std::vector<std::string> lines;
  static void listen(void* self, const char* text) { static_cast<LogLines*>(self)->lines.push_back(text); }
  LogLines() { log_set_listener(listen, this); }
  ~LogLines() { log_set_listener(nullptr, nullptr); }
  bool has(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
};

TEST(Aliases, FirstTargetStaysAndResolvesInOneStep) {
  // The table lives for the process: fresh names on every run of the test.
  static int run = 0;
  std::string n = std::to_string(run++);
  std::string brake = "test-brake-" + n, a = "test-chain-a-" + n, b = "test-chain-b-" + n;
  LogLines log;
  EXPECT_TRUE(alias_add(brake.c_str(), "Space"));
  EXPECT_FALSE(alias_add(brake.c_str(), "Tab"));
  EXPECT_TRUE(log.has("Second alias for '" + brake + "' ('Tab') ignored\n"));
  EXPECT_STREQ(alias_lookup(brake.c_str()), "Space");
  EXPECT_EQ(key_code(nullptr, brake.c_str()), 0x1039u);

  EXPECT_TRUE(alias_add(a.c_str(), b.c_str()));
  EXPECT_TRUE(alias_add(b.c_str(), "Tab"));
  EXPECT_STREQ(alias_lookup(a.c_str()), b.c_str());
  EXPECT_EQ(key_code(nullptr, a.c_str()), 0u);

  const char* plain = "not-an-alias";
  EXPECT_EQ(alias_lookup(plain), plain);
}

TEST(NamePool, OneCopyPerText) {
  std::string a = "pooled text", b = "pooled text";
  const char* p = name_pool(a.c_str());
  EXPECT_EQ(name_pool(b.c_str()), p);
  EXPECT_NE(p, a.c_str());
  EXPECT_STREQ(p, "pooled text");
  EXPECT_NE(name_pool("pooled text 2"), p);
}

// A device of the test's own whose operations count their calls.
struct Fake {
  int enables = 0, opens = 0, closes = 0, polls = 0, releases = 0;
  bool open_ok = true;     // what open answers
  int last_axis_read = -1;  // the axis asked for last
};

Fake* fake_of(InputDevice* dev) { return static_cast<Fake*>(dev->state); }
bool fake_enable(InputDevice* dev) { return ++fake_of(dev)->enables, true; }
bool fake_open(InputDevice* dev) { return ++fake_of(dev)->opens, fake_of(dev)->open_ok; }
void fake_close(InputDevice* dev) { ++fake_of(dev)->closes; }
int fake_read(InputDevice* dev, int axis) { return fake_of(dev)->last_axis_read = axis, 1000 + axis; }
void fake_poll(InputDevice* dev) { ++fake_of(dev)->polls; }
void fake_release(InputDevice* dev) { ++fake_of(dev)->releases; }
const InputDeviceOps fake_ops = {fake_enable, fake_open, fake_close, fake_read, fake_poll, fake_release};

InputDevice* add_fake(InputDevices* d, Fake& f, const char* name, int buttons, int axes) {
  InputDevice* dev = new InputDevice;
  dev->name = name;
  dev->buttons = buttons;
  dev->axes = axes;
  dev->ops = &fake_ops;
  dev->state = &f;
  return input_device_add(d, dev) ? dev : nullptr;
}

// The fakes outlive the test body: the devices are released at TearDown.
struct Devices : ::testing::Test {
  std::deque<Fake> fakes;
  EventQueue queue;
  InputDevices* d = input_devices_new(&queue);
  void TearDown() override { devices_close(d); }
  Fake& fake() { return fakes.emplace_back(); }
};

TEST(DeviceCodes, FromTheNameWithSignedCharacters) {
  EXPECT_EQ(device_code_from_name(""), 0u);
  EXPECT_EQ(device_code_from_name("ab"), uint32_t('a' + 256 * 'b') << 16);
  EXPECT_EQ(device_code_from_name("abc"), uint32_t('a' + 'c' + 256 * 'b') << 16);
  // 0xC3 counts as -61: (-61) << 16 keeps bits 16-30 only.
  EXPECT_EQ(device_code_from_name("\xC3"), 0x7FC30000u);
  EXPECT_EQ(device_code_from_name("UOU0U"), 0x7FFF0000u);  // 3 x 'U' + 256 x ('O' + '0') = 32767
}

TEST_F(Devices, ClashingCodesStepWithinBits16To30) {
  Fake &a = fake(), &b = fake(), &c = fake();
  InputDevice* top = add_fake(d, a, "UOU0U", 4, 0);
  InputDevice* wrapped = add_fake(d, b, "U0UOU", 4, 0);  // same sums, same code
  InputDevice* zero = add_fake(d, c, "VOU0U", 4, 0);     // sums to 32768: code 0
  ASSERT_TRUE(top && wrapped && zero);
  EXPECT_EQ(top->code, 0x7FFF0000u);
  EXPECT_EQ(wrapped->code, 0x00010000u);
  EXPECT_EQ(zero->code, 0x00020000u);

  uint32_t button = key_code(d, "U0UOU button 3");
  EXPECT_EQ(button, 0x00010003u);
  device_queue_button(wrapped, 3, false);
  InputEvent e;
  ASSERT_TRUE(event_queue_pop(queue, e));
  EXPECT_EQ(e.code, 0x00010003u);
  EXPECT_FALSE(e.pressed);
  EXPECT_STREQ(key_name(d, 0x7FFF0001u), "UOU0U button 1");
  EXPECT_STREQ(key_name(d, 0x00020000u), "VOU0U button 0");
}

TEST_F(Devices, NamesAreCleanedAndMadeUnique) {
  EXPECT_EQ(device_clean_name("Joy Pad 2.0"), "JoyPad20");
  EXPECT_EQ(device_clean_name(" . "), "Joystick");
  EXPECT_EQ(device_clean_name(nullptr), "Joystick");
  Fake &f1 = fake(), &f2 = fake(), &f3 = fake(), &f4 = fake(), &f5 = fake();
  InputDevice* one = add_fake(d, f1, "JoyPad", 2, 1);
  InputDevice* two = add_fake(d, f2, "JoyPad", 2, 1);
  InputDevice* three = add_fake(d, f3, "JoyPad", 2, 1);
  EXPECT_EQ(one->name, "JoyPad");
  EXPECT_EQ(two->name, "JoyPad#2");
  EXPECT_EQ(three->name, "JoyPad#3");
  EXPECT_NE(one->code, two->code);
  EXPECT_EQ(key_code(d, "JoyPad#2 button 1"), two->code | 1);

  // A long name is cut so that the button and axis forms still match it,
  // suffix and all.
  std::string base = device_clean_name(std::string(70, 'Q').c_str());
  ASSERT_EQ(base.size(), 63u);
  InputDevice* long1 = add_fake(d, f4, base.c_str(), 2, 1);
  InputDevice* long2 = add_fake(d, f5, base.c_str(), 2, 1);
  EXPECT_EQ(long2->name, std::string(61, 'Q') + "#2");
  EXPECT_EQ(key_code(d, (long1->name + " button 1").c_str()), long1->code | 1);
  AxisHandle* h = axis_open(d, (long2->name + ".axis[0]").c_str());
  EXPECT_NE(h, nullptr);
  axis_close(h);
}

TEST_F(Devices, ButtonForms) {
  Fake &pad = fake(), &big = fake();
  InputDevice* p = add_fake(d, pad, "Pad", 16, 2);
  InputDevice* b = add_fake(d, big, "Big", 300, 0);
  EXPECT_EQ(b->buttons, 256);  // numbers above 255 have no code
  struct Case {
    const char* name;
    uint32_t code;
  } cases[] = {
      {"Pad.key[3]", p->code | 3}, {"Pad button 15", p->code | 15}, {"Pad button 0", p->code},
      {"Pad button 16", 0},        {"Pad.key[-1]", 0},              {"Pad button x", 0},
      {"Nope button 1", 0},        {"pad button 1", 0},             {"Big button 255", b->code | 255},
      {"Big button 256", 0},       {"Big.key[999]", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(key_code(d, c.name), c.code) << c.name;
  EXPECT_EQ(key_code(nullptr, "Pad button 3"), 0u);
  EXPECT_TRUE(p->buttons_in_use);
  EXPECT_GT(pad.enables, 0);
  EXPECT_STREQ(key_name(d, p->code | 7), "Pad button 7");
  EXPECT_EQ(key_name(d, p->code | 7), key_name(d, p->code | 7));
  EXPECT_EQ(key_name(d, (p->code ^ b->code ^ 0x7FFF0000u) | 1), nullptr);
}

TEST_F(Devices, OnlyDevicesWithBoundButtonsArePolled) {
  Fake &bound = fake(), &unbound = fake();
  add_fake(d, bound, "Bound", 4, 0);
  add_fake(d, unbound, "Unbound", 4, 0);
  ASSERT_NE(key_code(d, "Bound button 0"), 0u);
  devices_poll(d);
  devices_poll(d);
  EXPECT_EQ(bound.polls, 2);
  EXPECT_EQ(unbound.polls, 0);
}

TEST_F(Devices, AxisHandlesCountOpens) {
  Fake& f = fake();
  InputDevice* dev = add_fake(d, f, "Stick", 0, 3);
  AxisHandle* first = axis_open(d, "Stick axis 2");
  AxisHandle* second = axis_open(d, "Stick.axis[0]");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(f.opens, 1);
  EXPECT_EQ(dev->open_count, 2);
  EXPECT_EQ(axis_read(first), 1002);
  EXPECT_EQ(axis_read(second), 1000);
  axis_close(first);
  EXPECT_EQ(f.closes, 0);
  axis_close(second);
  EXPECT_EQ(f.closes, 1);
  EXPECT_EQ(dev->open_count, 0);

  for (const char* bad : {"Stick axis 3", "Stick axis -1", "Stick.axis[]", "Stick", "Other axis 0", ""})
    EXPECT_EQ(axis_open(d, bad), nullptr) << bad;
  f.open_ok = false;
  EXPECT_EQ(axis_open(d, "Stick axis 0"), nullptr);
  EXPECT_EQ(dev->open_count, 0);
  EXPECT_EQ(axis_open(nullptr, "Stick axis 0"), nullptr);
}

TEST(DevicesClose, ClosesOpenDevicesAndCutsHandlesLoose) {
  EventQueue queue;
  InputDevices* d = input_devices_new(&queue);
  Fake f;
  add_fake(d, f, "Stick", 0, 2);
  AxisHandle* h1 = axis_open(d, "Stick axis 0");
  AxisHandle* h2 = axis_open(d, "Stick axis 1");
  ASSERT_TRUE(h1 && h2);
  devices_close(d);
  EXPECT_EQ(f.closes, 1);
  EXPECT_EQ(f.releases, 1);
  EXPECT_EQ(axis_read(h1), 0);  // the device is gone
  axis_close(h1);
  axis_close(h2);
  EXPECT_EQ(f.closes, 1);
}

TEST_F(Devices, CursorAxesAndAliases) {
  input_add_cursor(d);
  input_set_cursor(d, 120, 45);
  AxisHandle* x = axis_open(d, "cursor-x");
  AxisHandle* y = axis_open(d, "cursor axis 1");
  ASSERT_TRUE(x && y);
  EXPECT_EQ(axis_read(x), 120);
  EXPECT_EQ(axis_read(y), 45);
  input_set_cursor(d, -3, 700);
  EXPECT_EQ(axis_read(x), -3);
  EXPECT_EQ(axis_read(y), 700);
  EXPECT_EQ(axis_open(d, "cursor axis 2"), nullptr);
  axis_close(x);
  axis_close(y);
  EXPECT_EQ(key_code(d, "cursor-left"), 0x2000u);
  EXPECT_EQ(key_code(d, "cursor-middle"), 0x2001u);
  EXPECT_EQ(key_code(d, "cursor-right"), 0x2002u);
  EXPECT_EQ(key_code(d, "cursor button 0"), 0u);  // it has no buttons
  EXPECT_EQ(axis_names(d)[0], nullptr);           // and is not offered as an axis
}

TEST_F(Devices, AxisNameListKeepsOrderAndEachNameOnce) {
  axis_names_add(d, "B axis 0");
  axis_names_add(d, "A axis 0");
  std::string again = "B axis 0";
  axis_names_add(d, again.c_str());
  const char* const* names = axis_names(d);
  ASSERT_STREQ(names[0], "B axis 0");
  ASSERT_STREQ(names[1], "A axis 0");
  EXPECT_EQ(names[2], nullptr);
  EXPECT_EQ(names[0], name_pool("B axis 0"));
  for (int i = 0; i < 1100; ++i) axis_names_add(d, ("Many axis " + std::to_string(i)).c_str());
  EXPECT_EQ(axis_names(d), names) << "the list never moves";
  int count = 0;
  while (names[count]) ++count;
  EXPECT_EQ(count, axis_name_capacity);
}

}  // namespace
