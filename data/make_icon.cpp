// Writes the game's icon at one size as a PNG, for the desktop's icon theme:
//   make_icon SIZE FILE.png
#include <SDL.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

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
    // The surface's bytes are already red, green, blue, alpha. The icon has
    // a handful of colours: written with a palette, the same pixels take a
    // third of the bytes (the browser edition fetches two of them).
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = size;
    image.height = size;
    std::vector<uint32_t> palette;
    std::vector<uint8_t> indices;
    for (int y = 0; y < size && palette.size() <= 256; ++y)
        for (int x = 0; x < size; ++x) {
            uint32_t colour;
            memcpy(&colour, static_cast<const uint8_t*>(icon->pixels) + y * icon->pitch + 4 * x, 4);
            const auto found = std::find(palette.begin(), palette.end(), colour);
            indices.push_back(static_cast<uint8_t>(found - palette.begin()));
            if (found == palette.end())
                palette.push_back(colour);
        }
    bool written;
    if (palette.size() <= 256) {
        image.format = PNG_FORMAT_RGBA_COLORMAP;
        image.colormap_entries = static_cast<png_uint_32>(palette.size());
        written = png_image_write_to_file(&image, argv[2], 0, indices.data(), size, palette.data());
    } else {
        image.format = PNG_FORMAT_RGBA;
        written = png_image_write_to_file(&image, argv[2], 0, icon->pixels, icon->pitch, nullptr);
    }
    if (!written)
        fprintf(stderr, "make_icon: %s: %s\n", argv[2], image.message);
    png_image_free(&image);
    SDL_FreeSurface(icon);
    return written ? 0 : 1;
}
