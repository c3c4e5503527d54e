// Steady play allocates nothing: an in-run frame whose score and longest split
// did not change draws from the bands' fixed rings and the cached texts; one
// in which they changed allocates only the text it renders anew, and frees
// the one it replaces. Frames run as the main loop runs them, on an
// off-screen surface (tests/support/FrameScene).
//
// Every allocation in the process is counted, the font engine's and SDL's
// included: malloc and its kin are replaced here (operator new allocates
// through malloc), or, in the sanitizer build, where AddressSanitizer owns
// malloc, counted through its allocation hooks.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>

#include "bands/BandGroup.h"
#include "tests/support/Files.h"
#include "tests/support/FrameScene.h"
#include "world/GameWorld.h"

namespace {

struct Counts {
    long allocations = 0;
    long frees = 0;
};

bool counting = false;
Counts counted;

void countAllocation()
{
    if (counting)
        ++counted.allocations;
}

void countFree(const volatile void* p)
{
    if (counting && p)
        ++counted.frees;
}

// What f allocates and frees.
template <typename F>
Counts countDuring(F f)
{
    counted = Counts();
    counting = true;
    f();
    counting = false;
    return counted;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
#define VLIM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VLIM_ASAN 1
#endif
#endif

#if defined(VLIM_ASAN)
// AddressSanitizer calls these for every allocation and free it serves.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));
namespace {
void onMalloc(const volatile void*, size_t) { countAllocation(); }
}  // namespace
const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks(onMalloc, countFree) != 0;
#elif defined(__GLIBC__)
// glibc lets a program replace malloc; these forward to its own allocator.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size)
{
    countAllocation();
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size)
{
    countAllocation();
    return __libc_realloc(p, size);
}
void* memalign(size_t alignment, size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size)
{
    countAllocation();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size)
{
    countAllocation();
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}
void free(void* p)
{
    countFree(p);
    __libc_free(p);
}
}
const bool hooksInstalled = true;
#else
const bool hooksInstalled = false;
#endif

namespace {

class FrameAllocation : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!hooksInstalled)
            GTEST_SKIP() << "allocations cannot be counted with this C library";
        ASSERT_TRUE(openFrameScene(scene, VLIM_TEST_FONT));
    }
    static void TearDownTestSuite()
    {
        if (scene.screen)
            closeFrameScene(scene);
    }

    void SetUp() override
    {
        if (!hooksInstalled)
            GTEST_SKIP() << "allocations cannot be counted with this C library";
        // The title screen saves a beaten record in the working directory.
        scratch.emplace("allocation");
        scratch->enter();
    }
    void TearDown() override { scratch.reset(); }

    static Counts frame()
    {
        return countDuring([] { runGameFrame(scene); });
    }

    // What a text of the game costs, once its glyphs are cached: its render
    // and its first blit. The surface is freed outside the count.
    struct TextCost {
        Counts drawing;
        long freesToRelease;  // frees of SDL_FreeSurface on it
    };
    static TextCost costOfText(Font* font, const char* text)
    {
        SDL_Surface* rendered = nullptr;
        TextCost cost;
        cost.drawing = countDuring([&] {
            rendered = TTF_RenderText_Blended(fontOf(font), text, {TEXT_COLOUR[0], TEXT_COLOUR[1], TEXT_COLOUR[2], 0});
            SDL_Rect where = {10, 5, 0, 0};
            SDL_BlitSurface(rendered, nullptr, scene.screen, &where);
        });
        EXPECT_NE(rendered, nullptr) << text;
        cost.freesToRelease = countDuring([&] { SDL_FreeSurface(rendered); }).frees;
        return cost;
    }

    static RunClock& runClock() { return *gameWorld.bands->runClock; }

    static FrameScene scene;
    std::optional<ScratchDir> scratch;
};

FrameScene FrameAllocation::scene;

TEST_F(FrameAllocation, CounterSeesEveryKindOfAllocation)
{
    // Without this a broken counter would pass every test below.
    volatile void* kept = nullptr;
    Counts c = countDuring([&] {
        void* p = malloc(16);
        kept = p;
        free(p);
    });
    EXPECT_EQ(c.allocations, 1);
    EXPECT_EQ(c.frees, 1);

    c = countDuring([&] {
        std::unique_ptr<Band> band(new Band());
        kept = band.get();
        // The compiler may drop a new/delete pair whose memory nothing reads
        // (GCC does so for 32-bit ARM); handing the pointer to an asm that may
        // read memory keeps the allocation.
        asm volatile("" : : "r"(band.get()) : "memory");
    });
    EXPECT_EQ(c.allocations, 1);
    EXPECT_EQ(c.frees, 1);

    // Inside the SDL library, which calls the process's malloc.
    c = countDuring([] { SDL_FreeSurface(SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 16, 0, 0, 0, 0)); });
    EXPECT_GT(c.allocations, 0);
    EXPECT_EQ(c.frees, c.allocations);
    (void)kept;
}

TEST_F(FrameAllocation, SteadyInRunFramesAllocateNothing)
{
    enterOneBandRun(scene);
    for (int i = 0; i < 200; ++i) {  // 3 s of play, the cave scrolling on
        const Counts c = frame();
        ASSERT_EQ(c.allocations, 0) << "one band, frame " << i;
        ASSERT_EQ(c.frees, 0) << "one band, frame " << i;
    }

    enterSplitRun(scene);
    const WorldState split = saveWorld();
    for (int i = 0; i < 50; ++i) {
        restoreWorld(split);  // the halves would drift into the walls
        const Counts c = frame();
        ASSERT_EQ(c.allocations, 0) << "split, frame " << i;
        ASSERT_EQ(c.frees, 0) << "split, frame " << i;
    }
    EXPECT_EQ(gameWorld.bands->aliveCount(), 2);
    EXPECT_GT(runClock().splitPoints, 0);  // the split scored, in place
}

TEST_F(FrameAllocation, ChangedFiguresAllocateOnlyTheirNewTexts)
{
    enterOneBandRun(scene);
    // Every glyph used below is drawn once first: the font engine caches a
    // glyph the first time it renders it, and that is not the frame's cost.
    runClock().score = 1234;
    runClock().longestSplitSeconds = 1.25;
    frame();

    runClock().score = 4321;
    const Counts scoreChanged = frame();
    const TextCost score = costOfText(scene.display.smallFont, "4321");
    ASSERT_GT(score.drawing.allocations, 0);
    EXPECT_EQ(scoreChanged.allocations, score.drawing.allocations);
    // Its own temporaries, and the replaced text: nothing is left behind.
    EXPECT_EQ(scoreChanged.frees, score.drawing.frees + score.freesToRelease);

    runClock().longestSplitSeconds = 2.5;
    const Counts timeChanged = frame();
    const TextCost time = costOfText(scene.display.smallFont, "2.50s");
    EXPECT_EQ(timeChanged.allocations, time.drawing.allocations);
    EXPECT_EQ(timeChanged.frees, time.drawing.frees + time.freesToRelease);

    runClock().score = 3412;
    runClock().longestSplitSeconds = 5.21;
    const Counts bothChanged = frame();
    const TextCost both1 = costOfText(scene.display.smallFont, "3412");
    const TextCost both2 = costOfText(scene.display.smallFont, "5.21s");
    EXPECT_EQ(bothChanged.allocations, both1.drawing.allocations + both2.drawing.allocations);
    EXPECT_EQ(bothChanged.frees, both1.drawing.frees + both1.freesToRelease + both2.drawing.frees
                                     + both2.freesToRelease);

    // And the frame after a change is steady again.
    const Counts after = frame();
    EXPECT_EQ(after.allocations, 0);
    EXPECT_EQ(after.frees, 0);
}

TEST_F(FrameAllocation, TitleFrameAllocatesOnlyItsSixTextsAndKeepsNone)
{
    enterTitleScreen(scene);
    const Counts c = frame();
    const DisplayState& d = scene.display;
    const TextCost lines[] = {
        costOfText(d.titleFont, "vlim"),
        costOfText(d.smallFont, "top:  0"),
        costOfText(d.smallFont, "      0.00s"),
        costOfText(d.smallFont, "last: 0"),
        costOfText(d.smallFont, "      0.00s"),
        costOfText(d.smallFont, "(press start to begin, select to exit)"),
    };
    long allocations = 0, frees = 0;
    for (const TextCost& line : lines) {
        allocations += line.drawing.allocations;
        frees += line.drawing.frees + line.freesToRelease;
    }
    EXPECT_EQ(c.allocations, allocations);
    EXPECT_EQ(c.frees, frees);
    EXPECT_EQ(c.frees, c.allocations);  // every text is freed in its frame
}

}  // namespace
