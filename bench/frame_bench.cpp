// What one frame of vlim costs, next to the least that its SDL calls cost.
//
// Each kind of frame is timed twice on the same off-screen 320x240 16-bit
// surface: "frame/<kind>" runs the game's own code, as the main loop does
// (without the delay and the flip); "floor/<kind>" replays only the SDL work
// that the same frame did, recorded call by call: the clear, every fill with
// its colour already mapped, the text blits, and on the title screen the six
// renders. The difference is what the game's code adds. "update/<kind>" is
// the world's update alone (6 cave columns and the bands' steps).
//
// After the runs a table gives each frame's CPU time and its floor's, median
// and spread over the repetitions, and their ratio. By default every
// benchmark runs 5 repetitions in random interleaving, so a burst of load on
// the machine spreads over all kinds instead of hitting one; any
// --benchmark_* flag given overrides that.
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bands/BandGroup.h"
#include "tests/support/FrameScene.h"
#include "world/GameWorld.h"

// ---- Recording the SDL work of a frame --------------------------------------
// The SDL calls that draw are wrapped at link time (-Wl,--wrap=...). Outside
// a recording a wrapper only forwards, for the game's frames and the floor's
// alike.

namespace {

struct SdlCall {
    enum Kind { Fill, Render, Blit };
    Kind kind = Fill;
    bool wholeSurface = false;   // Fill: no rectangle, the clear
    SDL_Rect rect = {};          // Fill: the rectangle; Blit: where
    Uint32 colour = 0;           // Fill: the mapped colour
    TTF_Font* font = nullptr;    // Render
    std::string text;            // Render
    SDL_Surface* source = nullptr;  // Blit: a cached text (null: the last render)
};

std::vector<SdlCall>* recording = nullptr;
SDL_Surface* lastRender = nullptr;  // while recording: the latest rendered text

}  // namespace

extern "C" {
int __real_SDL_FillRect(SDL_Surface* dst, SDL_Rect* rect, Uint32 colour);
int __real_SDL_UpperBlit(SDL_Surface* src, SDL_Rect* srcrect, SDL_Surface* dst, SDL_Rect* dstrect);
SDL_Surface* __real_TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg);

int __wrap_SDL_FillRect(SDL_Surface* dst, SDL_Rect* rect, Uint32 colour)
{
    if (recording) {
        SdlCall call;
        call.kind = SdlCall::Fill;
        call.wholeSurface = rect == nullptr;
        if (rect)
            call.rect = *rect;
        call.colour = colour;
        recording->push_back(call);
    }
    return __real_SDL_FillRect(dst, rect, colour);
}

SDL_Surface* __wrap_TTF_RenderText_Blended(TTF_Font* font, const char* text, SDL_Color fg)
{
    SDL_Surface* rendered = __real_TTF_RenderText_Blended(font, text, fg);
    if (recording) {
        SdlCall call;
        call.kind = SdlCall::Render;
        call.font = font;
        call.text = text;
        recording->push_back(call);
        lastRender = rendered;
    }
    return rendered;
}

int __wrap_SDL_UpperBlit(SDL_Surface* src, SDL_Rect* srcrect, SDL_Surface* dst, SDL_Rect* dstrect)
{
    if (recording) {
        SdlCall call;
        call.kind = SdlCall::Blit;
        call.rect = *dstrect;
        call.source = src == lastRender ? nullptr : src;
        recording->push_back(call);
    }
    return __real_SDL_UpperBlit(src, srcrect, dst, dstrect);
}
}

namespace {

FrameScene scene;

std::vector<SdlCall> recordFrame()
{
    std::vector<SdlCall> calls;
    recording = &calls;
    lastRender = nullptr;
    runGameFrame(scene);
    recording = nullptr;
    return calls;
}

// The recorded SDL work once more, and nothing else: a rendered text is
// blitted and freed as drawTextLine does, a cached one only blitted. The
// event queue is polled once, as every frame must.
void replay(const std::vector<SdlCall>& calls)
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    SDL_Surface* rendered = nullptr;
    for (const SdlCall& call : calls) {
        switch (call.kind) {
        case SdlCall::Fill: {
            SDL_Rect rect = call.rect;  // SDL clips it in place
            SDL_FillRect(scene.screen, call.wholeSurface ? nullptr : &rect, call.colour);
            break;
        }
        case SdlCall::Render:
            rendered = TTF_RenderText_Blended(call.font, call.text.c_str(), {TEXT_COLOUR[0], TEXT_COLOUR[1], TEXT_COLOUR[2], 0});
            break;
        case SdlCall::Blit: {
            SDL_Rect where = call.rect;
            SDL_Surface* source = call.source ? call.source : rendered;
            SDL_BlitSurface(source, nullptr, scene.screen, &where);
            if (!call.source) {
                SDL_FreeSurface(rendered);
                rendered = nullptr;
            }
            break;
        }
        }
    }
}

// What one iteration times. Kept out of line so that bench/instructions can
// count the instructions of exactly these calls under callgrind.
__attribute__((noinline)) void timedGameFrame(const WorldState& start)
{
    restoreWorld(start);
    runGameFrame(scene);
    benchmark::ClobberMemory();
}

__attribute__((noinline)) void timedFloorFrame(const std::vector<SdlCall>& calls)
{
    replay(calls);
    benchmark::ClobberMemory();
}

__attribute__((noinline)) void timedUpdate(const WorldState& start)
{
    restoreWorld(start);
    gameWorld.update(FRAME_DT);
    benchmark::ClobberMemory();
}

using EnterScene = void (*)(FrameScene&);

// A frame that changed the set of bands (a death, a merge) would leave the
// benchmark timing something else than it says.
bool sameBands(benchmark::State& state, size_t expected)
{
    if (gameWorld.bands->bands.size() == expected && gameWorld.bands->aliveCount() == static_cast<int>(expected))
        return true;
    state.SkipWithError("the scene's bands changed during the frame");
    return false;
}

// The game's frame. The world is put back before each one (about 4 KB
// copied, charged to the game), so every iteration does the same work.
void gameFrame(benchmark::State& state, EnterScene enter)
{
    enter(scene);
    const WorldState start = saveWorld();
    for (auto _ : state)
        timedGameFrame(start);
    sameBands(state, start.bands.size());
}

void floorFrame(benchmark::State& state, EnterScene enter)
{
    enter(scene);
    const WorldState start = saveWorld();
    restoreWorld(start);
    const std::vector<SdlCall> calls = recordFrame();
    if (!sameBands(state, start.bands.size()))
        return;
    int fills = 0;
    for (const SdlCall& call : calls)
        fills += call.kind == SdlCall::Fill;
    for (auto _ : state)
        timedFloorFrame(calls);
    state.counters["fills"] = fills;
}

void worldUpdate(benchmark::State& state, EnterScene enter)
{
    enter(scene);
    const WorldState start = saveWorld();
    for (auto _ : state)
        timedUpdate(start);
    if (columnsThisFrame != 6)
        state.SkipWithError("the update did not generate 6 columns");
    sameBands(state, start.bands.size());
}

// ---- The summary table ------------------------------------------------------

// Keeps every repetition's CPU time per iteration, by benchmark name.
class Collector : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::vector<double>> times;  // microseconds

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.run_name.function_name].push_back(run.GetAdjustedCPUTime());
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// On a busy machine the slowest repetitions measure the neighbours; the
// fastest is the least disturbed, so its ratio is given beside the medians'.
void printSummary(const Collector& c)
{
    auto has = [&](const std::string& name) { return c.times.count(name) && !c.times.at(name).empty(); };
    auto fastest = [&](const std::string& name) {
        return *std::min_element(c.times.at(name).begin(), c.times.at(name).end());
    };
    auto slowest = [&](const std::string& name) {
        return *std::max_element(c.times.at(name).begin(), c.times.at(name).end());
    };
    if (c.times.empty())
        return;
    printf("\nCPU time per frame in microseconds: median (fastest..slowest) of the repetitions\n");
    printf("%-9s %-26s %-26s %7s %8s\n", "frame", "game", "floor", "ratio", "fastest");
    for (const char* kind : {"title", "one_band", "split"}) {
        const std::string game = std::string("frame/") + kind, floor = std::string("floor/") + kind;
        if (!has(game) || !has(floor))
            continue;
        char g[64], f[64];
        snprintf(g, sizeof g, "%.1f (%.1f..%.1f)", median(c.times.at(game)), fastest(game), slowest(game));
        snprintf(f, sizeof f, "%.1f (%.1f..%.1f)", median(c.times.at(floor)), fastest(floor), slowest(floor));
        printf("%-9s %-26s %-26s %7.3f %8.3f\n", kind, g, f, median(c.times.at(game)) / median(c.times.at(floor)),
               fastest(game) / fastest(floor));
    }
    for (const char* kind : {"one_band", "split"}) {
        const std::string update = std::string("update/") + kind, game = std::string("frame/") + kind;
        if (has(update) && has(game))
            printf("update/%-8s %.3f us, %.2f %% of its in-run frame\n", kind, median(c.times.at(update)),
                   100.0 * median(c.times.at(update)) / median(c.times.at(game)));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Defaults first, so that flags given on the command line win.
    std::vector<char*> args = {argv[0], const_cast<char*>("--benchmark_repetitions=5"),
                               const_cast<char*>("--benchmark_enable_random_interleaving=true")};
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    // --iterations=N: exactly N timed iterations per run, no estimating
    // (bench/instructions divides callgrind's count by it).
    long iterations = 0;
    if (count > 1 && sscanf(args[count - 1], "--iterations=%ld", &iterations) == 1 && iterations > 0)
        --count;
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 2;

    if (!openFrameScene(scene, VLIM_BENCH_FONT))
        return 1;
    const struct {
        const char* name;
        EnterScene enter;
    } kinds[] = {{"title", enterTitleScreen}, {"one_band", enterOneBandRun}, {"split", enterSplitRun}};
    auto add = [&](const char* what, const char* kind, void (*run)(benchmark::State&, EnterScene), EnterScene enter) {
        benchmark::internal::Benchmark* b =
            benchmark::RegisterBenchmark((std::string(what) + "/" + kind).c_str(), run, enter);
        b->Unit(benchmark::kMicrosecond);
        if (iterations > 0)
            b->Iterations(iterations);
    };
    for (const auto& kind : kinds) {
        add("frame", kind.name, gameFrame, kind.enter);
        add("floor", kind.name, floorFrame, kind.enter);
    }
    for (const auto& kind : kinds)
        if (kind.enter != enterTitleScreen)
            add("update", kind.name, worldUpdate, kind.enter);

    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    printSummary(collector);
    benchmark::Shutdown();
    closeFrameScene(scene);
    return 0;
}
