#include "vfs/vfs_scanf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "vfs/vfs.h"

namespace {

// A string source that also checks how the scanner treats it: a byte may be
// given back only right after it was read, and only one at a time.
struct StrictSource {
  ScanString text;
  ScanSource inner;
  int last = -1;  // byte the latest next() returned, -1 once given back
  int faults = 0;
};

int strict_next(void* context) {
  StrictSource& s = *(StrictSource*)context;
  s.last = s.inner.next(s.inner.context);
  return s.last;
}

void strict_push_back(void* context, int c) {
  StrictSource& s = *(StrictSource*)context;
  if (s.last < 0 || c != s.last) ++s.faults;
  s.last = -1;
  s.inner.push_back(s.inner.context, c);
}

struct Strict {
  StrictSource state;
  ScanSource source;
  explicit Strict(const char* input) {
    state.text = ScanString{input, 0};
    state.inner = scan_string_source(state.text);
    source = ScanSource{strict_next, strict_push_back, &state};
  }
  std::string rest() const { return state.text.text + state.text.pos; }
};

int scan(ScanSource& source, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = scan_format(source, format, args);
  va_end(args);
  return result;
}

int libc_scan(const char* input, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int result = vsscanf(input, format, args);
  va_end(args);
  return result;
}

// A character buffer argument; all of it is compared, so bytes written past
// the terminator (or a terminator %c must not write) show up.
struct Text {
  char s[24];
};

template <class T>
T* arg_of(T& v) {
  return &v;
}
char* arg_of(Text& t) { return t.s; }

template <class T>
std::string describe_one(const T& v) {
  char buffer[64];
  if constexpr (std::is_same_v<T, Text>) {
    std::string out = "\"";
    for (char c : v.s) {
      if (c >= 32 && c < 127) {
        out += c;
      } else {
        snprintf(buffer, sizeof buffer, "\\x%02x", (unsigned char)c);
        out += buffer;
      }
    }
    return out + "\"";
  } else if constexpr (std::is_floating_point_v<T>) {
    snprintf(buffer, sizeof buffer, "%a", (double)v);
    return buffer;
  } else if constexpr (std::is_signed_v<T>) {
    return std::to_string((long long)v);
  } else {
    return std::to_string((unsigned long long)v);
  }
}

template <class Tuple, size_t... I>
std::string describe(const Tuple& t, std::index_sequence<I...>) {
  std::string out;
  ((out += describe_one(std::get<I>(t)) + " | "), ...);
  return out;
}

// Runs one format over one input through scan_format and through vsscanf with
// the same argument types, both starting from the same junk, and compares the
// return values and every argument.
template <class... T>
void same_as_libc(const char* input, const char* format) {
  std::tuple<T...> mine, theirs;
  std::apply([](auto&... v) { (memset((void*)&v, 0x5a, sizeof v), ...); }, mine);
  std::apply([](auto&... v) { (memset((void*)&v, 0x5a, sizeof v), ...); }, theirs);
  Strict s(input);
  int got = std::apply([&](auto&... v) { return scan(s.source, format, arg_of(v)...); }, mine);
  int want = std::apply([&](auto&... v) { return libc_scan(input, format, arg_of(v)...); }, theirs);
  EXPECT_EQ(got, want);
  EXPECT_EQ(describe(mine, std::index_sequence_for<T...>{}),
            describe(theirs, std::index_sequence_for<T...>{}));
  EXPECT_EQ(s.state.faults, 0) << "push-back of a byte not just read";
  EXPECT_LE(size_t(s.state.text.pos), strlen(input));
}

struct LibcCase {
  const char* input;
  const char* format;
  void (*check)(const char* input, const char* format);
};

void run_cases(const LibcCase* cases, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    SCOPED_TRACE(std::string("input \"") + cases[i].input + "\" format \"" + cases[i].format +
                 "\"");
    cases[i].check(cases[i].input, cases[i].format);
  }
}

using U = unsigned;
using LL = long long;
using ULL = unsigned long long;

TEST(ScanFormat, IntegersMatchLibc) {
  static const LibcCase cases[] = {
      {"42", "%d", same_as_libc<int>},
      {"  -17 rest", "%d%n", same_as_libc<int, int>},
      {"+8", "%d", same_as_libc<int>},
      {"-", "%d", same_as_libc<int>},
      {"- 5", "%d", same_as_libc<int>},
      {"x", "%d", same_as_libc<int>},
      {"123456", "%3d%d", same_as_libc<int, int>},
      {"-12345", "%3d%n", same_as_libc<int, int>},
      {"-5", "%1d", same_as_libc<int>},
      {"000000000000000000000000000000042", "%d", same_as_libc<int>},
      {"0x10", "%d%n", same_as_libc<int, int>},
      // Hex: the prefix is optional for %x and taken even with no digit after it.
      {"0x1fz", "%x%n", same_as_libc<U, int>},
      {"0X1F", "%X", same_as_libc<U>},
      {"1f", "%x", same_as_libc<U>},
      {"-0x10", "%x", same_as_libc<U>},
      {"0x", "%x%n", same_as_libc<U, int>},
      {"0xg", "%x%n", same_as_libc<U, int>},
      {"0x7", "%2x%n", same_as_libc<U, int>},
      // %i picks the base from the prefix.
      {"0x1A", "%i", same_as_libc<int>},
      {"0x", "%i%n", same_as_libc<int, int>},
      {"0x7", "%3i", same_as_libc<int>},
      {"017", "%i", same_as_libc<int>},
      {"019", "%i%n", same_as_libc<int, int>},
      {"-010", "%i", same_as_libc<int>},
      {"0", "%i%n", same_as_libc<int, int>},
      {"0x10", "%o%n", same_as_libc<U, int>},
      {"777 8", "%o %o", same_as_libc<U, U>},
      {"12 34", "%u%u", same_as_libc<U, U>},
      // Out of range: clamped like strtol/strtoul, then cut to the type.
      {"4294967295", "%u", same_as_libc<U>},
      {"4294967296", "%d", same_as_libc<int>},
      {"99999999999999999999", "%d", same_as_libc<int>},
      {"-99999999999999999999", "%d", same_as_libc<int>},
      {"-1", "%u", same_as_libc<U>},
      {"-99999999999999999999", "%u", same_as_libc<U>},
      {"9223372036854775807", "%lld", same_as_libc<LL>},
      {"9223372036854775808", "%lld", same_as_libc<LL>},
      {"-9223372036854775808", "%lld", same_as_libc<LL>},
      {"-9223372036854775809", "%ld", same_as_libc<long>},
      {"18446744073709551615", "%llu", same_as_libc<ULL>},
      {"18446744073709551616", "%llu", same_as_libc<ULL>},
      {"-18446744073709551615", "%llu", same_as_libc<ULL>},
      {"ffffffffffffffffff", "%llx", same_as_libc<ULL>},
      {"123", "%Ld %qd", same_as_libc<LL, LL>},
      {"40000", "%hd", same_as_libc<short>},
      {"-40000", "%hu", same_as_libc<unsigned short>},
      {"300 -129", "%hhd %hhu", same_as_libc<signed char, unsigned char>},
      {"-129 255", "%hhi %hhx", same_as_libc<signed char, unsigned char>},
      // Suppressed conversions are not counted.
      {"7", "%*d", same_as_libc<>},
      {"7 8", "%*d %d", same_as_libc<int>},
      {"7 0x8", "%*i %*x%n", same_as_libc<int>},
  };
  run_cases(cases, std::size(cases));
}

TEST(ScanFormat, FloatsMatchLibc) {
  static const LibcCase cases[] = {
      {"3.25", "%f", same_as_libc<float>},
      {"-1.5e3", "%e", same_as_libc<float>},
      {"2.5E-2x", "%g%n", same_as_libc<float, int>},
      {"+.5", "%f", same_as_libc<float>},
      {"5.", "%f%n", same_as_libc<float, int>},
      {"1.2.3", "%f%n", same_as_libc<float, int>},
      {"1e5e6", "%f%n", same_as_libc<float, int>},
      {"0.1 0.1", "%f %lf", same_as_libc<float, double>},
      {"1.23456789012345678", "%lf", same_as_libc<double>},
      {"  7", "%le", same_as_libc<double>},
      {"123456", "%3f%f", same_as_libc<float, float>},
      {"-5", "%1f", same_as_libc<float>},
      {"-5", "%2f", same_as_libc<float>},
      {"1e400", "%f", same_as_libc<float>},
      {"1e400", "%lf", same_as_libc<double>},
      {"1e-60", "%f", same_as_libc<float>},
      {"12.5 3", "%*f%n%d", same_as_libc<int, int>},
      // A dangling exponent is taken; the value is the part before it.
      {"1e", "%f%n", same_as_libc<float, int>},
      {"1ex", "%f%n", same_as_libc<float, int>},
      {"1e+", "%f%n", same_as_libc<float, int>},
      {"1e+x", "%f%n", same_as_libc<float, int>},
      {"1e-2", "%2f%n", same_as_libc<float, int>},
      // Nothing that makes a number.
      {".", "%f", same_as_libc<float>},
      {"-", "%f", same_as_libc<float>},
      {"+x", "%f", same_as_libc<float>},
      {".e3", "%f", same_as_libc<float>},
      {"e3", "%f", same_as_libc<float>},
      // Hex floats.
      {"0x1p4", "%f", same_as_libc<float>},
      {"0x1.8p1", "%lf", same_as_libc<double>},
      {"0xAp-1z", "%f%n", same_as_libc<float, int>},
      {"0x", "%f", same_as_libc<float>},
      {"0xg", "%f", same_as_libc<float>},
      {"0x5", "%2f%n", same_as_libc<float, int>},
      {"0x.p", "%f%n", same_as_libc<float, int>},
      // Words.
      {"inf", "%f", same_as_libc<float>},
      {"-Infinity!", "%f%n", same_as_libc<float, int>},
      {"infx", "%f%n", same_as_libc<float, int>},
      {"INFINITE", "%f", same_as_libc<float>},
      {"nan", "%lf", same_as_libc<double>},
      {"NaN(1)", "%f%n", same_as_libc<float, int>},
      {"nax", "%f", same_as_libc<float>},
      {"in", "%f", same_as_libc<float>},
      {"inf", "%2f", same_as_libc<float>},
  };
  run_cases(cases, std::size(cases));
}

TEST(ScanFormat, StringsAndSetsMatchLibc) {
  static const LibcCase cases[] = {
      {"  hello world", "%s%n", same_as_libc<Text, int>},
      {"abcdefgh", "%3s%s", same_as_libc<Text, Text>},
      {"a\tb\nc", "%s%s%s", same_as_libc<Text, Text, Text>},
      {"   ", "%s", same_as_libc<Text>},
      {"word", "%*s%n", same_as_libc<int>},
      // %c skips nothing and writes no terminator.
      {" ab", "%c%c", same_as_libc<Text, Text>},
      {"abcdef", "%3c%n", same_as_libc<Text, int>},
      {"ab", "%5c%n", same_as_libc<Text, int>},
      {"x y", "%c %c", same_as_libc<Text, Text>},
      // Sets.
      {"abc123", "%[a-z]%d", same_as_libc<Text, int>},
      {"ABCxyz", "%[^a-z]%s", same_as_libc<Text, Text>},
      {"]]a]b", "%[]a]%n", same_as_libc<Text, int>},
      {"^]x", "%[^^]%n", same_as_libc<Text, int>},
      {"a-b-c", "%[-a]%n", same_as_libc<Text, int>},
      {"a-zm", "%[z-a]%n", same_as_libc<Text, int>},
      {"b-d", "%[a-c-]%n", same_as_libc<Text, int>},
      {"acegx", "%[a-c-e-g]%n", same_as_libc<Text, int>},
      {"hello", "%2[a-z]%n", same_as_libc<Text, int>},
      {"123", "%[a-z]", same_as_libc<Text>},
      {"abc", "%[a-z", same_as_libc<Text>},
      {"line one\nnext", "%[^\n]%n", same_as_libc<Text, int>},
      {"\xe9\xff!", "%[\x80-\xff]%n", same_as_libc<Text, int>},
      {"  x", "%[ ]%n", same_as_libc<Text, int>},
      {"key = value", "%[^ =] = %s", same_as_libc<Text, Text>},
      {"xxyz", "%*[x]%s", same_as_libc<Text>},
  };
  run_cases(cases, std::size(cases));
}

TEST(ScanFormat, DirectivesAndResultsMatchLibc) {
  static const LibcCase cases[] = {
      // The end before anything is assigned is -1, after it the count.
      {"", "%d", same_as_libc<int>},
      {"", "%s", same_as_libc<Text>},
      {"", "%c", same_as_libc<Text>},
      {"", "%[a-z]", same_as_libc<Text>},
      {"", "%f", same_as_libc<float>},
      {"   ", "%d", same_as_libc<int>},
      {"", "%n", same_as_libc<int>},
      {"", "%d%n", same_as_libc<int, int>},
      {"", "", same_as_libc<>},
      {"", " ", same_as_libc<>},
      {"5", "%*d%d", same_as_libc<int>},
      {"5", "%d%d", same_as_libc<int, int>},
      {"5 ", "%d %c", same_as_libc<int, Text>},
      {"ab", "%c%n%c", same_as_libc<Text, int, Text>},
      // Literals.
      {"", "x", same_as_libc<>},
      {"5,", "%d,%d", same_as_libc<int, int>},
      {"5;6", "%d,%d", same_as_libc<int, int>},
      {"y5", "x%d", same_as_libc<int>},
      {"x5", "x%d", same_as_libc<int>},
      {" x5", "x%d", same_as_libc<int>},
      {"  ", " x%d", same_as_libc<int>},
      {"(3, 4)", "(%d,%d)%n", same_as_libc<int, int, int>},
      // White space in the format matches any amount, including none.
      {"  \t\n 5", " %d", same_as_libc<int>},
      {"5   ", "%d %n", same_as_libc<int, int>},
      {"a  b", "a b%n", same_as_libc<int>},
      {"ab", "a b%n", same_as_libc<int>},
      {"  %5", "%%%d", same_as_libc<int>},
      {"5 %", "%d%%%n", same_as_libc<int, int>},
      {"5x", "%d%%", same_as_libc<int>},
      // %n in every size.
      {"abc", "abc%hhn%hn%n%ln%lln", same_as_libc<signed char, short, int, long, LL>},
      {"a", "%*c%*n%n", same_as_libc<int>},
      // Unknown conversions stop the scan.
      {"5", "%y", same_as_libc<int>},
      {"5", "%d%", same_as_libc<int>},
      {"12 ab 3.5 x", "%d %2s %f %c%n", same_as_libc<int, Text, float, Text, int>},
  };
  run_cases(cases, std::size(cases));
}

// What a scan leaves in the source: one byte of look-ahead at most, and a
// byte that broke a match is given back.
TEST(ScanFormat, LeavesTheRestInTheSource) {
  enum Arg { NUMBER, REAL, BYTES };  // int*, double*, char*
  struct Case {
    const char* input;
    const char* format;
    Arg arg;
    int result;
    const char* rest;
  };
  static const Case cases[] = {
      {"1ex", "%lf", REAL, 1, "x"},       {"1e+x", "%lf", REAL, 1, "x"},
      {"infinx", "%lf", REAL, 0, "x"},    {"nax", "%lf", REAL, 0, "x"},
      {"0x", "%lf", REAL, 0, ""},         {"0xq", "%lf", REAL, 0, "q"},
      {"0x1g", "%i", NUMBER, 1, "g"},     {"0xg", "%x", NUMBER, 1, "g"},
      {"-x", "%d", NUMBER, 0, "x"},       {"12345", "%3d", NUMBER, 1, "45"},
      {"5  \n x", "%d ", NUMBER, 1, "x"}, {"abc,d", "%[a-z]", BYTES, 1, ",d"},
      {"ab cd", "%s", BYTES, 1, " cd"},   {"12", "%1c", BYTES, 1, "2"},
      {"a,", "a;", BYTES, 0, ","},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("input \"") + c.input + "\" format \"" + c.format + "\"");
    Strict s(c.input);
    int number = 0;
    double real = 0;
    char bytes[16];
    int result = c.arg == NUMBER ? scan(s.source, c.format, &number)
                 : c.arg == REAL ? scan(s.source, c.format, &real)
                                 : scan(s.source, c.format, bytes);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(s.rest(), c.rest);
    EXPECT_EQ(s.state.faults, 0);
  }
}

TEST(ScanFormat, LongDoubleSizeStoresADouble) {
  Strict s("2.5 -0.125");
  double a = 0, b = 0;
  EXPECT_EQ(scan(s.source, "%Lf %qg", &a, &b), 2);
  EXPECT_EQ(a, 2.5);
  EXPECT_EQ(b, -0.125);
}

TEST(ScanFormat, WideCharacterConversionsStop) {
  Strict s("ab");
  char text[8] = "";
  EXPECT_EQ(scan(s.source, "%ls", text), 0);
  EXPECT_EQ(s.rest(), "ab");
}

// A float field longer than the collecting buffer ends there; the rest of
// the digits stay in the source.
TEST(ScanFormat, OverlongFloatFieldIsCut) {
  std::string input = "1" + std::string(300, '0');
  Strict s(input.c_str());
  double d = 0;
  int n = 0;
  EXPECT_EQ(scan(s.source, "%lf%n", &d, &n), 1);
  EXPECT_EQ(n, 255);
  EXPECT_DOUBLE_EQ(d, 1e254);
  EXPECT_EQ(s.rest(), std::string(46, '0'));
}

TEST(ScanFormat, HugeWidthAndLongStringsAreSafe) {
  std::string input(5000, 'a');
  Strict s(input.c_str());
  std::string buffer(6000, '\0');
  int n = 0;
  EXPECT_EQ(scan(s.source, "%99999999999999s%n", buffer.data(), &n), 1);
  EXPECT_EQ(n, 5000);
  EXPECT_EQ(strlen(buffer.c_str()), 5000u);
}

// Streams: these go through a real file.
class VfsScanTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (f) vfs_close(f);
    if (!path.empty()) remove(path.c_str());
  }
  VfsFile* open_with(const std::string& content) {
    path = ::testing::TempDir() + "vfs_scanf_test_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return nullptr;
    fwrite(content.data(), 1, content.size(), out);
    fclose(out);
    f = vfs_open_path(path.c_str(), "rb");
    return f;
  }
  std::string path;
  VfsFile* f = nullptr;
};

TEST_F(VfsScanTest, SkipCommentsAndReadInts) {
  ASSERT_TRUE(open_with("# track header\n  \n   # indented note\n#\n\t42\n#\n#tail\n-7 x"));
  vfs_skip_comments(f);
  EXPECT_EQ(vfs_read_int(f), 42);
  vfs_skip_comments(f);
  EXPECT_EQ(vfs_read_int(f), -7);
  vfs_skip_comments(f);
  EXPECT_EQ(vfs_read_int(f), INT_MIN);
  EXPECT_EQ(vfs_getc_pushed(f), 'x');  // the failed read gave the byte back
  vfs_skip_comments(f);
  EXPECT_EQ(vfs_read_int(f), INT_MIN);
  EXPECT_EQ(vfs_getc_pushed(f), -1);
}

TEST_F(VfsScanTest, SkipCommentsStopsAtEndOfUnfinishedComment) {
  ASSERT_TRUE(open_with("  \n# last line has no newline"));
  vfs_skip_comments(f);
  EXPECT_EQ(vfs_getc_pushed(f), -1);
}

TEST_F(VfsScanTest, SkipCommentsLeavesDataUntouched) {
  ASSERT_TRUE(open_with("5#"));
  vfs_skip_comments(f);
  EXPECT_EQ(vfs_getc_pushed(f), '5');
}

TEST_F(VfsScanTest, ScansCarryPushBackAcrossCalls) {
  ASSERT_TRUE(open_with("12 ab\n1ex 0x1fg"));
  int i = 0;
  char text[8] = "";
  EXPECT_EQ(vfs_scanf(f, "%d %s", &i, text), 2);
  EXPECT_EQ(i, 12);
  EXPECT_STREQ(text, "ab");
  float x = 0;
  char c = 0;
  EXPECT_EQ(vfs_scanf(f, "%f%c", &x, &c), 2);
  EXPECT_EQ(x, 1.0f);
  EXPECT_EQ(c, 'x');
  unsigned h = 0;
  EXPECT_EQ(vfs_scanf(f, "%x", &h), 1);
  EXPECT_EQ(h, 0x1fu);
  EXPECT_EQ(vfs_scanf(f, "%d", &i), 0);
  EXPECT_EQ(vfs_getc_pushed(f), 'g');
  EXPECT_EQ(vfs_scanf(f, "%d", &i), -1);
}

}  // namespace
