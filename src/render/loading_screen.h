// The loading screen: a grey fan and a column of bars showing a counter.
#pragma once

// Draws one loading-screen frame. counter: frames drawn so far (its 32 bits
// light the bars); seconds: time since the loading screen first showed.
void loading_screen_draw(int width, int height, unsigned counter, double seconds);
