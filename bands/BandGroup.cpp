// The band group: runs, and the split/merge/scoring rules of each frame.
#include "bands/BandGroup.h"

#include <memory>

#include "bands/Truncate.h"
#include "cave/Cave.h"

BandGroup::BandGroup() : steer(0), splitHeld(0), runClock(new RunClock()) {}

BandGroup::~BandGroup()
{
    delete runClock;
    for (Band* band : bands)
        delete band;
}

void BandGroup::reset()
{
    splitHeld = 0;
    // One band, whatever was held: re-initialising several in place would
    // leave identical bands that merge at once and bank a split that never
    // started (or, three or more, move as one for good).
    if (bands.empty()) {
        std::unique_ptr<Band> band(new Band());
        band->init();
        bands.push_back(band.get());
        band.release();
    } else {
        for (size_t i = 1; i < bands.size(); ++i)
            delete bands[i];
        bands.resize(1);
        bands[0]->init();
    }
    runClock->reset();
}

int BandGroup::aliveCount() const
{
    int count = 0;
    for (const Band* band : bands)
        count += band->state == Alive;
    return count;
}

int BandGroup::steerSign() const
{
    return steer < 0 ? -1 : steer > 0 ? 1 : 0;
}

void BandGroup::abandonSplit()
{
    splitHeld = 0;
    runClock->endSplit(false);
}

void BandGroup::draw(Screen* screen) const
{
    for (const Band* band : bands)
        band->draw(screen);
}

namespace {

// The first alive band at or after index `from`, or null.
Band* nextAlive(const std::vector<Band*>& bands, size_t from)
{
    for (size_t i = from; i < bands.size(); ++i)
        if (bands[i]->state == Alive)
            return bands[i];
    return nullptr;
}

}  // namespace

void BandGroup::update(float dt)
{
    const int n = aliveCount();
    Band* upper = nullptr;
    Band* lower = nullptr;

    if (splitHeld && n == 1) {
        // The single band keeps the upper half; the new band takes the lower
        // half one pixel lower, so the halves start 1.0 apart.
        Band* src = nextAlive(bands, 0);
        const float t = src->topEdgeAt(-1);
        const float b = src->bottomEdgeAt(-1);
        const float mid = b - (b - t) * 0.5f;
        src->setBottomEdgeAt(-1, mid);
        std::unique_ptr<Band> half(new Band());
        half->init();
        half->setTopEdgeAt(-1, mid + 1.0f);
        half->setBottomEdgeAt(-1, b + 1.0f);
        half->velocity = src->velocity;
        bands.push_back(half.get());
        half.release();
        runClock->startSplit();
    }

    if (n == 2) {
        upper = nextAlive(bands, 0);
        for (size_t i = 0; i < bands.size(); ++i)
            if (bands[i] == upper) {
                lower = nextAlive(bands, i + 1);
                break;
            }
        if (upper->bottomEdgeAt(-1) >= lower->topEdgeAt(-1)) {
            // Touching: the upper half takes the lower one's thickness back.
            const float thickness = lower->bottomEdgeAt(-1) - lower->topEdgeAt(-1);
            upper->setBottomEdgeAt(-1, upper->bottomEdgeAt(-1) + thickness);
            upper->velocity = (upper->velocity + lower->velocity) * 0.5f;
            lower->state = Dying;
            runClock->endSplit(true);
        } else {
            const float p = dt * PUSH_ACCELERATION;
            if (splitHeld) {
                upper->velocity = upper->velocity - p;
                lower->velocity = lower->velocity + p;
            } else {
                upper->velocity = upper->velocity + p;
                lower->velocity = lower->velocity - p;
            }
        }
    }

    // Step every band, deleting finished ones; the end is re-read at each
    // position so a band appended above is stepped and none is skipped.
    for (size_t i = 0; i < bands.size();) {
        Band* band = bands[i];
        if (band->state == Finished) {
            bands.erase(bands.begin() + static_cast<std::ptrdiff_t>(i));
            delete band;
        } else {
            band->step(dt, *this);
            ++i;
        }
    }

    // Score only while the same two halves stayed alive through the steps.
    if (upper && lower && aliveCount() == 2) {
        int32_t acc = 0;
        for (int i = 0; i < columnsThisFrame; ++i) {
            const int k = -1 - i;
            const float d = lower->bottomEdgeAt(k) - upper->bottomEdgeAt(k);
            // Truncated after every column: two columns of 20.7 give 40.
            acc = truncToInt(static_cast<float>(static_cast<float>(acc) + d));
        }
        runClock->addSplitPoints(acc);
    }
}
