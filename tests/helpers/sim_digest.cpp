// sim_digest: the simulation under seeded random play, its figures and its
// whole state digested after every 1000 frames. Every build of the game, on
// every machine, must print exactly sim_digest.expected beside it.
//
// Usage: sim_digest [--seed N] [--frames N] [--every N]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/helpers/SimDigest.h"

namespace {

bool parseNumber(const char* text, uint64_t& out)
{
    char* end = nullptr;
    out = std::strtoull(text, &end, 0);
    return *text && end && !*end;
}

}  // namespace

int main(int argc, char** argv)
{
    uint64_t seed = 0x766c696d;  // "vlim"
    uint64_t frames = 10000;
    uint64_t every = 1000;
    for (int i = 1; i < argc; i += 2) {  // each option and its number
        uint64_t* target = !std::strcmp(argv[i], "--seed")     ? &seed
                           : !std::strcmp(argv[i], "--frames") ? &frames
                           : !std::strcmp(argv[i], "--every")  ? &every
                                                               : nullptr;
        if (!target || i + 1 == argc || !parseNumber(argv[i + 1], *target) || (target != &seed && *target > 100000000)) {
            std::fprintf(stderr, "usage: %s [--seed N] [--frames N] [--every N]\n", argv[0]);
            return 2;
        }
    }

    SimulationStats stats;
    const std::vector<Checkpoint> checkpoints =
        runSeededSimulation(seed, static_cast<int>(frames), static_cast<int>(every), &stats);
    std::printf("seed %" PRIu64 " frames %" PRIu64 " every %" PRIu64 "\n", seed, frames, every);
    for (const Checkpoint& c : checkpoints)
        std::printf("%s\n", formatCheckpoint(c).c_str());
    std::printf("%s\n", formatStats(stats).c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
