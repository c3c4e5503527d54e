// wall_margin: how close the cave's walls come to moving when the maths
// library's cos or sin is off in its last bits. For the first N column
// numbers (10,000,000 unless told) it computes every column with the game's
// own Cave, digests them, and finds the column where cos(f / 200) * 40 or
// sin(f / 220) * 40 lies nearest a whole number, the edge where truncation
// moves the wall by a row. There it counts how many units in the last place
// (ULPs) cos or sin would have to be off to move it. Builds for different
// machines must print the same lines; tools/portability compares them.
//
// Usage: wall_margin [columns]
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cave/Cave.h"

namespace {

// The wall's row offset from a value of cos or sin, as the game computes it.
int rows(double value)
{
    return static_cast<int>(value * WALL_AMPLITUDE);
}

// Doubles in order as whole numbers: neighbours differ by one, so the
// difference of two is how many ULPs lie between them.
int64_t keyOf(double x)
{
    int64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits >= 0 ? bits : -(bits & INT64_MAX);
}

double fromKey(int64_t key)
{
    const int64_t bits = key >= 0 ? key : (-key | INT64_MIN);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

const int64_t ENOUGH_ULPS = int64_t(1) << 52;

// The fewest ULPs value may be off, up or down, before rows() changes:
// doubling, then halving the step (rows() only grows with the value).
int64_t ulpsToMove(double value)
{
    const int64_t key = keyOf(value);
    int64_t fewest = INT64_MAX;
    for (int64_t direction : {1, -1}) {
        const auto moves = [&](int64_t ulps) { return rows(fromKey(key + direction * ulps)) != rows(value); };
        // Beyond 2^52 ULPs (a value that crosses zero, say) no library
        // is that far off: that is margin enough.
        int64_t far = 1;
        while (far < ENOUGH_ULPS && !moves(far))
            far *= 2;
        if (!moves(far)) {
            fewest = std::min(fewest, ENOUGH_ULPS);
            continue;
        }
        int64_t near = far / 2;  // does not move it (0 is value itself)
        while (far - near > 1) {
            const int64_t mid = near + (far - near) / 2;
            (moves(mid) ? far : near) = mid;
        }
        fewest = std::min(fewest, far);
    }
    return fewest;
}

// The nearest miss of one wall: the column, the value of cos or sin there,
// and how many ULPs it is from moving the wall.
struct NearestMiss {
    int64_t column = -1;
    double value = 0.0;
    int64_t ulps = INT64_MAX;

    void consider(int64_t n, double v)
    {
        // Truncation moves the wall at every whole number but 0: from the
        // distance to the nearest one, an estimate of the ULPs, good to one
        // or two; the exact count decides near ties.
        const double product = std::fabs(v * WALL_AMPLITUDE);
        const double distance = product < 1.0 ? 1.0 - product : std::fabs(product - std::nearbyint(product));
        const double ulp = std::nextafter(std::fabs(v), INFINITY) - std::fabs(v);
        if (distance / (WALL_AMPLITUDE * ulp) > static_cast<double>(ulps) + 4.0)
            return;
        const int64_t u = ulpsToMove(v);
        if (u < ulps)
            column = n, value = v, ulps = u;
    }
};

uint64_t fnv1a(uint64_t hash, int32_t value)
{
    for (int i = 0; i < 4; ++i) {
        hash ^= static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

int main(int argc, char** argv)
{
    char* end = nullptr;
    const long long columns = argc == 2 ? std::strtoll(argv[1], &end, 10) : 10000000;
    if (argc > 2 || (end && *end) || columns <= 0 || columns > (1 << 24)) {
        // Beyond 2^24 the float of the column number skips whole numbers.
        std::fprintf(stderr, "usage: %s [columns, 1 to 16777216]\n", argv[0]);
        return 2;
    }

    Cave cave;
    uint64_t digest = 0xcbf29ce484222325ull;
    NearestMiss ceiling, floor;
    for (int64_t n = 0; n < columns; ++n) {
        cave.columnCounter = n;
        cave.generateColumn();
        const int slot = static_cast<int>(n % Cave::COLUMNS);
        digest = fnv1a(fnv1a(digest, cave.top[slot]), cave.bottom[slot]);

        const float f = static_cast<float>(n);
        const double c = std::cos(static_cast<double>(f / CEILING_COLUMNS_PER_RADIAN));
        const double s = std::sin(static_cast<double>(f / FLOOR_COLUMNS_PER_RADIAN));
        // The analysis must be of the game's own numbers.
        if (rows(c) + CEILING_MIDLINE != cave.top[slot] || rows(s) + FLOOR_MIDLINE != cave.bottom[slot]) {
            std::fprintf(stderr, "wall_margin: column %" PRId64 " differs from the game's\n", n);
            return 1;
        }
        // Column 0 aside: cos 0 is 1 and sin 0 is 0 exactly, in any library.
        if (n > 0) {
            ceiling.consider(n, c);
            floor.consider(n, s);
        }
    }

    std::printf("columns %lld digest %016" PRIx64 "\n", columns, digest);
    std::printf("ceiling nearest miss: column %" PRId64 ", cos %.17g, %" PRId64 " ULPs from moving\n", ceiling.column,
                ceiling.value, ceiling.ulps);
    std::printf("floor nearest miss: column %" PRId64 ", sin %.17g, %" PRId64 " ULPs from moving\n", floor.column,
                floor.value, floor.ulps);
    return 0;
}
