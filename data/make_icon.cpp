// Writes the game's icon at one size as a PNG, for the desktop's icon theme:
//   make_icon SIZE FILE.png
#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/Icon.h"

int main(int argc, char** argv)
{
    const int size = argc == 3 ? atoi(argv[1]) : 0;
    if (size <= 0) {
        fprintf(stderr, "usage: make_icon SIZE FILE.png\n");
        return 2;
    }
    SDL_Surface* icon = makeIcon(size);
    if (!icon) {
        fprintf(stderr, "make_icon: %s\n", SDL_GetError());
        return 1;
    }
    // The surface's bytes are already red, green, blue, alpha.
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = size;
    image.height = size;
    image.format = PNG_FORMAT_RGBA;
    const bool written = png_image_write_to_file(&image, argv[2], 0, icon->pixels, icon->pitch, nullptr);
    if (!written)
        fprintf(stderr, "make_icon: %s: %s\n", argv[2], image.message);
    png_image_free(&image);
    SDL_FreeSurface(icon);
    return written ? 0 : 1;
}
