// One frame of vlim on the software screen, in the world states of
// frame_bench ("frame/<kind>": title, one_band, split) and timed by the same
// function name, so that bench/instructions counts it beside the SDL frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "app/Frame.h"
#include "app/Screens.h"
#include "bands/BandGroup.h"
#include "platform/software/SoftwareScreen.h"
#include "tests/support/CoreTestSupport.h"
#include "tests/support/WorldState.h"
#include "world/GameWorld.h"

// The rest of the seam, which a frame does not reach but for its input.
bool pollInputEvent(InputEvent&) { return false; }
uint32_t readTicks() { return 0; }
void waitTicks(uint32_t) {}
void presentScreen(Screen*) {}
bool recordChangedElsewhere() { return false; }
void commitRecordFolder() {}

namespace {

SoftwareScreen screen;
DisplayState display;

void runGameFrame()
{
    clearScreen(screenOf(&screen));
    playFrame(display, screenOf(&screen), FRAME_DT);
}

// As FrameScene enters them: from a fresh cave, 20 frames to fill the trails.
void enter(int bands, bool split)
{
    gameWorld.cave->init();
    columnsThisFrame = 0;
    emptyGroup(*gameWorld.bands);
    if (bands)
        gameWorld.bands->reset();
    for (int i = 0; i < 20; ++i)
        runGameFrame();
    if (split) {
        gameWorld.bands->splitHeld = 1;
        for (int i = 0; i < 20; ++i)
            runGameFrame();
    }
}

__attribute__((noinline)) void timedGameFrame(const WorldState& start)
{
    restoreWorld(start);
    runGameFrame();
    benchmark::ClobberMemory();
}

void gameFrame(benchmark::State& state, int bands, bool split)
{
    enter(bands, split);
    const WorldState start = saveWorld();
    for (auto _ : state)
        timedGameFrame(start);
    if (gameWorld.bands->bands.size() != start.bands.size())
        state.SkipWithError("the scene's bands changed during the frame");
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // --iterations=N as frame_bench takes it (bench/instructions).
    long iterations = 0;
    if (argc > 1 && sscanf(argv[argc - 1], "--iterations=%ld", &iterations) == 1 && iterations > 0)
        --argc;
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    display.smallFont = fontOf(glyphFontAt(16));
    display.titleFont = fontOf(glyphFontAt(66));
    const struct {
        const char* name;
        int bands;
        bool split;
    } kinds[] = {{"title", 0, false}, {"one_band", 1, false}, {"split", 1, true}};
    for (const auto& kind : kinds) {
        benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(
            (std::string("frame/") + kind.name).c_str(), gameFrame, kind.bands, kind.split);
        b->Unit(benchmark::kMicrosecond);
        if (iterations > 0)
            b->Iterations(iterations);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
