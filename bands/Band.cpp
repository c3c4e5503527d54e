// Band motion, trail, wall test and drawing.
#include "bands/Band.h"

#include "bands/BandGroup.h"
#include "bands/Truncate.h"
#include "cave/Cave.h"
#include "platform/Platform.h"
#include "world/GameWorld.h"

void Band::init()
{
    state = Alive;
    head = 0;
    for (int s = 0; s < TRAIL_LENGTH; ++s) {
        topEdge[s] = SENTINEL_EMPTY;
        bottomEdge[s] = SENTINEL_EMPTY;
    }
    topEdge[TRAIL_LENGTH - 1] = START_TOP_EDGE;
    bottomEdge[TRAIL_LENGTH - 1] = START_BOTTOM_EDGE;
    velocity = 0.0f;
}

int Band::slotAt(int k) const
{
    int p = k % TRAIL_LENGTH;
    if (p < 0)
        p += TRAIL_LENGTH;
    return (head + p) % TRAIL_LENGTH;
}

void Band::step(float dt, BandGroup& group)
{
    const int n = columnsThisFrame;
    if (n <= 0)
        return;  // no column scrolled in: this frame's time is not integrated
    const float v = velocity;
    const int s = group.steerSign();

    // Displacement from the velocity before this frame's change: v*dt in
    // single precision, the acceleration term in double, summed in double and
    // rounded back to float.
    const float vdt = v * dt;
    const double accelTerm = ((static_cast<double>(dt) * 0.5) * static_cast<double>(dt))
                             * static_cast<double>(STEER_ACCELERATION) * static_cast<double>(s);
    const float d = static_cast<float>(static_cast<double>(vdt) + accelTerm);

    velocity = (static_cast<float>(s) * STEER_ACCELERATION) * dt + v;

    // The frame's displacement is spread evenly over its columns.
    const float perColumn = d / static_cast<float>(n);
    for (int i = 0; i < n; ++i) {
        if (bottomEdgeAt(-1) - topEdgeAt(-1) < MIN_THICKNESS && group.aliveCount() == 1)
            state = Dying;

        if (state == Alive) {
            const float top = perColumn + topEdgeAt(-1);
            const float bottom = perColumn + bottomEdgeAt(-1);
            topEdge[head] = top;      // slot of position 0 becomes position 99
            bottomEdge[head] = bottom;
            head = (head + 1) % TRAIL_LENGTH;
            // This sample ends the frame on screen column i - n + 100, which
            // now shows the cave column it was level with when it was due.
            if (hitsWall(gameWorld, *this, i - n + TRAIL_LENGTH)) {
                state = Dying;
                group.abandonSplit();
            }
        } else if (state == Dying) {
            if (topEdge[head] == SENTINEL_EMPTY) {
                state = Finished;
            } else {
                topEdge[head] = SENTINEL_EMPTY;
                bottomEdge[head] = SENTINEL_EMPTY;
            }
            head = (head + 1) % TRAIL_LENGTH;
        }
    }
}

bool hitsWall(const GameWorld& world, const Band& band, int column)
{
    const float t = static_cast<float>(world.cave->topAt(column));
    if (t >= band.topEdgeAt(-1))
        return true;
    const float b = static_cast<float>(world.cave->bottomAt(column));
    return b <= band.bottomEdgeAt(-1);
}

void Band::draw(Screen* screen) const
{
    // Position x is the slot after position x - 1: stepped, not reduced
    // modulo 100 for each sample.
    int s = slotAt(0);
    for (int x = 0; x < TRAIL_LENGTH; ++x, s = s + 1 == TRAIL_LENGTH ? 0 : s + 1) {
        if (topEdge[s] == SENTINEL_EMPTY)
            continue;
        // Top and height are truncated separately: 110.7..130.2 covers
        // rows 110..128.
        const int y = truncToInt(topEdge[s]);
        const int h = truncToInt(bottomEdge[s] - topEdge[s]);
        fillRectRgb(screen, x, y, 1, h, BAND_COLOUR);
    }
}
