// src/vfs/vfs_scanf.h
//
// Formatted scanning over any byte source, the reader behind vfs_scanf and
// every track-file parser. It follows the C library's vsscanf:
//   %d %i %o %u %x %X      integers (%i takes a "0x" or "0" prefix as base);
//                          sizes hh, h, l, ll (L and q mean ll); values out of
//                          range are clamped like strtol/strtoul and then cut
//                          to the target's bits
//   %f %e %g %E %F %G %a %A a float; with l, L or q a double (never long double)
//   %s %c %[...]           bytes; %[ takes "^", ranges "a-z" and a leading "]";
//                          the wide forms (%lc, %ls, %l[) are not supported and
//                          stop the scan
//   %n %%                  bytes consumed so far (not counted); a literal "%"
//   "*" suppresses the assignment; a field width bounds every conversion.
// White space in the format skips any white space in the input; any other
// format byte must match the next input byte, and a mismatch stops the scan.
//
// The scanner never looks more than one byte ahead, so a partial number keeps
// what it consumed: "1e" scans as 1 with the "e" taken, "0x" under %x or %i
// scans as 0 with the "x" taken, "1e+" as 1 with "e+" taken. Under a float
// conversion "0x" with no hex digit, and "in"/"infin"/"na" short of "inf",
// "infinity" or "nan", are matching failures; the byte that broke the match
// is left in the source. A float field is collected into a 255-byte buffer:
// a longer one ends there and the rest stays in the source.
#pragma once
#include <cstdarg>
// A source of bytes with one byte of push-back, as the scanner sees it.
struct ScanSource {
  int (*next)(void* context);               // next byte 0..255, or -1 at end (takes a pushed-back byte first)
  void (*push_back)(void* context, int c);  // give back the last byte read (at most one outstanding)
  void* context;
};
// Scans like vsscanf over the source; returns assignments made, or -1 when the
// source ends before the first conversion.
int scan_format(ScanSource& source, const char* format, va_list args);
// A source over a zero-terminated string (for tools and tests): state record.
struct ScanString { const char* text; int pos; };
ScanSource scan_string_source(ScanString& s);
