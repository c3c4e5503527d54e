// Cave generation, scrolling and drawing.
#include "cave/Cave.h"

#include <cmath>

#include "platform/Platform.h"

int columnsThisFrame = 0;

void Cave::init()
{
    columnCounter = 0;
    columnPeriod = COLUMN_PERIOD;
    accumulator = 0.0f;
    for (int i = 0; i < COLUMNS; ++i)
        generateColumn();
}

void Cave::generateColumn()
{
    const int64_t n = columnCounter;
    const float f = static_cast<float>(n);
    // The phase is divided in single precision, then cos/sin and the product
    // are taken in double; the int conversion truncates toward zero.
    const float topPhase = f / CEILING_COLUMNS_PER_RADIAN;
    const float bottomPhase = f / FLOOR_COLUMNS_PER_RADIAN;
    const int slot = static_cast<int>(n % COLUMNS);
    top[slot] = static_cast<int>(std::cos(static_cast<double>(topPhase)) * WALL_AMPLITUDE) + CEILING_MIDLINE;
    bottom[slot] = static_cast<int>(std::sin(static_cast<double>(bottomPhase)) * WALL_AMPLITUDE) + FLOOR_MIDLINE;
    columnCounter = n + 1;
}

void Cave::advance(float dt)
{
    columnsThisFrame = 0;
    accumulator = accumulator + dt;
    if (accumulator < columnPeriod)
        return;
    do {
        generateColumn();
        const float left = accumulator - columnPeriod;
        ++columnsThisFrame;
        if (!(left < accumulator)) {
            accumulator = 0.0f;  // beyond counting: the loop would never end
            break;
        }
        accumulator = left;
    } while (accumulator >= columnPeriod);
}

int Cave::slotAt(int x) const
{
    // Bands test columns down to 100 - columnsThisFrame; reduce any x to a
    // non-negative slot rather than rely on the counter's head start.
    const int s = (x + static_cast<int>(columnCounter % COLUMNS)) % COLUMNS;
    return s < 0 ? s + COLUMNS : s;
}

int Cave::topAt(int x) const
{
    return top[slotAt(x)];
}

int Cave::bottomAt(int x) const
{
    return bottom[slotAt(x)];
}

void Cave::draw(Screen* screen) const
{
    // The slot steps along with the screen column instead of being reduced
    // modulo 320 for each of them.
    int s = slotAt(0);
    for (int x = 0; x < COLUMNS; ++x) {
        fillRectRgb(screen, x, 0, 1, top[s], WALL_COLOUR);
        fillRectRgb(screen, x, bottom[s], 1, SCREEN_HEIGHT - bottom[s], WALL_COLOUR);
        s = s + 1 == COLUMNS ? 0 : s + 1;
    }
}
