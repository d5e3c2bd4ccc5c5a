// A modal message with one OK button, for fatal start-up errors. The caption
// and text also go to standard error, which is all there is without a display.
#pragma once

void message_box(const char* caption, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Replaces the function that shows a real box (tests and tools install their
// own); it returns false when no box could be shown.
using MessageBoxShow = bool (*)(const char* caption, const char* text);
void message_box_set_backend(MessageBoxShow show);
