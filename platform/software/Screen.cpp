// The seam's screen on the software screen: a Screen is a SoftwareScreen, a
// Font a GlyphFont, a TextImage a SoftwareText.
#include "platform/software/SoftwareScreen.h"

#include <cstring>

void clearScreen(Screen* screen)
{
    memset(softwareScreenOf(screen).pixels, 0, sizeof softwareScreenOf(screen).pixels);
}

void fillRectRgb(Screen* screen, int x, int y, int w, int h, const uint8_t* rgb)
{
    fillSoftware(softwareScreenOf(screen), x, y, w, h, mapRgb565(rgb));
}

TextImage* renderText(Font* font, const char* text, const uint8_t* rgb)
{
    return font ? textImageOf(renderSoftwareText(glyphFontOf(font), text, rgb)) : nullptr;
}

void drawTextImage(Screen* screen, TextImage* image, int x, int y)
{
    blendSoftwareText(softwareScreenOf(screen), softwareTextOf(image), x, y);
}

void freeTextImage(TextImage* image)
{
    delete &softwareTextOf(image);
}
