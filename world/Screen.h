// The display every drawing goes to: the handheld's screen.
#pragma once

const int SCREEN_WIDTH = 320;   // pixels: columns 0..319, the cave's ring of columns
const int SCREEN_HEIGHT = 240;  // pixels: rows 0..239, y downward
const int SCREEN_DEPTH = 16;    // bits per pixel
