// The one poster through which every part of the program shows a line of
// text to the player. The message log of the user interface installs itself
// as the sink; until then (and in tools and tests) lines go where the
// installed sink sends them, by default to the diagnostic log.
#pragma once

void message_post(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives every posted line (formatted, as posted). Null restores the default.
using MessageSink = void (*)(void* context, const char* text);
void message_set_sink(MessageSink sink, void* context);
