/* A headless libretro frontend: loads vlim_libretro.so as RetroArch would,
 * plays seeded RetroPad input at changing display rates (60, 120 and
 * 144 Hz, and stalls), and prints what a frontend sees: the core's
 * information, its requests, a digest of its frames every 100 frames, its
 * sound, and the record it leaves in the save directory. Every build on
 * every machine must print exactly frontend.expected.
 *
 *   frontend CORE WORK    WORK: an empty folder for the save directories
 *
 * Load 1 plays in WORK/a; load 2 (the core's interface ended and begun
 * again in the same process, nothing unloaded) plays the same in WORK/b and
 * must show the same frames; load 3 (the library unloaded and loaded again)
 * finds in WORK/a the record load 1 kept, raised by hand meanwhile, and
 * keeps the better of both. The processor clock the core reads is played
 * too: this program's clock_gettime answers the thread's CPU time. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <libretro.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

/* Checkpoints: frame 10 (the title screen: the first Start is at frame 20),
 * then every 100th. */
enum { FRAMES = 2400, CHECK_EVERY = 100, CHECKS = FRAMES / CHECK_EVERY + 1, CPU_MICROS_PER_FRAME = 3000 };

static char saveDirectory[4096];
static retro_frame_time_callback_t frameTime;
static int pixelFormatSet, noGameSupported, shutdownAsked, descriptorsPrinted;
static uint64_t frameDigest, audioFrames;
static unsigned framesShown;
static int16_t padState[16];
static uint64_t threadCpuMicros;
static unsigned threadClockReads;

static void fail(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    fprintf(stderr, "frontend: ");
    vfprintf(stderr, format, arguments);
    fprintf(stderr, "\n");
    va_end(arguments);
    exit(1);
}

/* The core's clock_gettime binds to this one (the program exports it): its
 * thread's processor time advances by a fixed amount a frame, so a split's
 * seconds are the same on every run. */
int clock_gettime(clockid_t clock, struct timespec* now)
{
    if (clock == CLOCK_THREAD_CPUTIME_ID) {
        ++threadClockReads;
        now->tv_sec = (time_t)(threadCpuMicros / 1000000);
        now->tv_nsec = (long)(threadCpuMicros % 1000000) * 1000;
        return 0;
    }
    return (int)syscall(SYS_clock_gettime, clock, now);
}

static void logLine(enum retro_log_level level, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    printf("log %d: ", (int)level);
    vprintf(format, arguments);
    va_end(arguments);
}

static bool environment(unsigned command, void* data)
{
    switch (command) {
    case RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME:
        noGameSupported = *(const bool*)data;
        return true;
    case RETRO_ENVIRONMENT_GET_LOG_INTERFACE:
        ((struct retro_log_callback*)data)->log = logLine;
        return true;
    case RETRO_ENVIRONMENT_SET_PIXEL_FORMAT:
        pixelFormatSet = *(const enum retro_pixel_format*)data == RETRO_PIXEL_FORMAT_RGB565;
        return pixelFormatSet;
    case RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS:
        for (const struct retro_input_descriptor* d = data; d->description && !descriptorsPrinted; ++d)
            printf("button port %u device %u id %u: %s\n", d->port, d->device, d->id, d->description);
        descriptorsPrinted = 1;
        return true;
    case RETRO_ENVIRONMENT_SET_FRAME_TIME_CALLBACK:
        frameTime = ((const struct retro_frame_time_callback*)data)->callback;
        return true;
    case RETRO_ENVIRONMENT_GET_SAVE_DIRECTORY:
        *(const char**)data = saveDirectory;
        return true;
    case RETRO_ENVIRONMENT_SHUTDOWN:
        shutdownAsked = 1;
        return true;
    default:
        return false;
    }
}

static void showFrame(const void* data, unsigned width, unsigned height, size_t pitch)
{
    if (!data)
        fail("a duplicated frame, which the core was not allowed");
    if (width != 320 || height != 240 || pitch < width * 2)
        fail("a frame of %ux%u, pitch %zu", width, height, pitch);
    uint64_t h = 14695981039346656037ull;
    for (unsigned y = 0; y < height; ++y) {
        const uint8_t* row = (const uint8_t*)data + y * pitch;
        for (unsigned x = 0; x < width * 2; ++x)
            h = (h ^ row[x]) * 1099511628211ull;
    }
    frameDigest = h;
    ++framesShown;
}

static size_t playAudio(const int16_t* samples, size_t frames)
{
    for (size_t i = 0; i < 2 * frames; ++i)
        if (samples[i])
            fail("sound that is not silence");
    audioFrames += frames;
    return frames;
}

static void playSample(int16_t left, int16_t right)
{
    (void)left, (void)right;
    fail("a single sample, where batches were expected");
}

static void pollInput(void) {}

static int16_t readInput(unsigned port, unsigned device, unsigned index, unsigned id)
{
    return port == 0 && device == RETRO_DEVICE_JOYPAD && index == 0 && id < 16 ? padState[id] : 0;
}

struct Core {
    void* library;
    void (*set_environment)(retro_environment_t);
    void (*set_video_refresh)(retro_video_refresh_t);
    void (*set_audio_sample)(retro_audio_sample_t);
    void (*set_audio_sample_batch)(retro_audio_sample_batch_t);
    void (*set_input_poll)(retro_input_poll_t);
    void (*set_input_state)(retro_input_state_t);
    void (*init)(void);
    void (*deinit)(void);
    unsigned (*api_version)(void);
    void (*get_system_info)(struct retro_system_info*);
    void (*get_system_av_info)(struct retro_system_av_info*);
    bool (*load_game)(const struct retro_game_info*);
    void (*unload_game)(void);
    void (*run)(void);
};

static void* symbol(void* library, const char* name)
{
    void* f = dlsym(library, name);
    if (!f)
        fail("the core has no %s", name);
    return f;
}

static void openCore(struct Core* core, const char* path)
{
    core->library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!core->library)
        fail("%s", dlerror());
#define FIND(name) *(void**)&core->name = symbol(core->library, "retro_" #name)
    FIND(set_environment); FIND(set_video_refresh); FIND(set_audio_sample); FIND(set_audio_sample_batch);
    FIND(set_input_poll); FIND(set_input_state); FIND(init); FIND(deinit); FIND(api_version);
    FIND(get_system_info); FIND(get_system_av_info); FIND(load_game); FIND(unload_game); FIND(run);
#undef FIND
}

/* The order RetroArch begins a core in. */
static void beginCore(struct Core* core, const char* saves)
{
    snprintf(saveDirectory, sizeof saveDirectory, "%s", saves);
    if (mkdir(saves, 0777) != 0 && access(saves, W_OK) != 0)
        fail("cannot make %s", saves);
    frameTime = NULL;
    pixelFormatSet = noGameSupported = shutdownAsked = descriptorsPrinted = 0;
    memset(padState, 0, sizeof padState);
    core->set_environment(environment);
    core->init();
    core->set_video_refresh(showFrame);
    core->set_audio_sample(playSample);
    core->set_audio_sample_batch(playAudio);
    core->set_input_poll(pollInput);
    core->set_input_state(readInput);
    if (!core->load_game(NULL))
        fail("the core refused to start without content");
    if (!frameTime || !pixelFormatSet || !noGameSupported)
        fail("no frame-time callback, RGB565 or start without content");
}

static void endCore(struct Core* core)
{
    core->unload_game();
    core->deinit();
}

/* splitmix64: integer arithmetic only, the same on every machine. */
static uint64_t rngState;
static uint64_t next(void)
{
    uint64_t z = (rngState += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

/* The display's rate changes every 300 frames: 60, 120, 144 Hz, with a
 * microsecond's jitter, and now and then a stall of a tenth of a second. */
static retro_usec_t frameMicros(int frame)
{
    static const retro_usec_t RATES[] = {16667, 8333, 6944, 16667};
    const retro_usec_t base = RATES[(frame / 300) % 4];
    return next() % 97 == 0 ? 100000 : base - 1 + (retro_usec_t)(next() % 3);
}

/* A random player: Start every 400 frames (a run rarely lives longer),
 * steering that changes now and then, splits held for a while. */
static void choosePad(int frame)
{
    padState[RETRO_DEVICE_ID_JOYPAD_START] = frame % 400 == 20;
    if (next() % 12 == 0)
        padState[RETRO_DEVICE_ID_JOYPAD_UP] = next() % 2;
    if (next() % 12 == 0)
        padState[RETRO_DEVICE_ID_JOYPAD_DOWN] = next() % 2;
    if (next() % 40 == 0)
        padState[RETRO_DEVICE_ID_JOYPAD_B] = !padState[RETRO_DEVICE_ID_JOYPAD_B];
    if (next() % 90 == 0)
        padState[RETRO_DEVICE_ID_JOYPAD_A] = !padState[RETRO_DEVICE_ID_JOYPAD_A];
}

/* Plays FRAMES frames; the checkpoints' lines into lines. */
static void play(struct Core* core, const char* name, char lines[][96])
{
    rngState = 0x766c696d;
    uint64_t micros = 0;
    audioFrames = 0;
    framesShown = 0;
    for (int frame = 1; frame <= FRAMES; ++frame) {
        const retro_usec_t dt = frameMicros(frame);
        micros += (uint64_t)dt;
        choosePad(frame);
        frameTime(dt);
        threadCpuMicros += CPU_MICROS_PER_FRAME;
        core->run();
        if (framesShown != (unsigned)frame)
            fail("%s: frame %d shown %u frames", name, frame, framesShown);
        if (frame == 10 || frame % CHECK_EVERY == 0)
            snprintf(lines[frame / CHECK_EVERY], 96, "frame %d digest %016llx", frame,
                     (unsigned long long)frameDigest);
    }
    /* The sound lasts as long as the frames, to a sample. */
    const uint64_t owed = micros * 44100 / 1000000;
    printf("%s: %d frames, %llu us, %s\n", name, FRAMES, (unsigned long long)micros,
           audioFrames == owed ? "silence as long as them" : "sound not as long as them");
    if (audioFrames != owed)
        printf("%s: %llu audio frames, %llu owed\n", name, (unsigned long long)audioFrames, (unsigned long long)owed);
}

/* Prints what folder holds besides keep. */
static void listOthers(const char* folder, const char* keep)
{
    DIR* list = opendir(folder);
    for (struct dirent* entry; list && (entry = readdir(list));)
        if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, "..") && strcmp(entry->d_name, keep))
            printf("also in %s: %s\n", strrchr(folder, '/') + 1, entry->d_name);
    if (list)
        closedir(list);
}

static void printRecord(const char* saves)
{
    char path[4200], text[128] = "";
    snprintf(path, sizeof path, "%s/vlim/highscore.dat", saves);
    FILE* file = fopen(path, "r");
    if (file) {
        text[fread(text, 1, sizeof text - 1, file)] = 0;
        fclose(file);
    }
    printf("record: %s\n", file ? text : "none");
    /* Nothing but the record is in the save directory. */
    listOthers(saves, "vlim");
    snprintf(path, sizeof path, "%s/vlim", saves);
    listOthers(path, "highscore.dat");
}

int main(int argc, char** argv)
{
    if (argc != 3)
        fail("usage: frontend CORE WORK");
    char a[4096], b[4096];
    snprintf(a, sizeof a, "%s/a", argv[2]);
    snprintf(b, sizeof b, "%s/b", argv[2]);
    static char first[CHECKS][96], again[CHECKS][96];

    struct Core core;
    openCore(&core, argv[1]);
    struct retro_system_info info;
    core.get_system_info(&info);
    printf("api %u, %s %s, extensions \"%s\", fullpath %d\n", core.api_version(), info.library_name,
           info.library_version, info.valid_extensions ? info.valid_extensions : "", info.need_fullpath);

    beginCore(&core, a);
    struct retro_system_av_info av;
    core.get_system_av_info(&av);
    printf("%ux%u (at most %ux%u), aspect %.4f, %.2f fps, %.0f Hz sound\n", av.geometry.base_width,
           av.geometry.base_height, av.geometry.max_width, av.geometry.max_height, av.geometry.aspect_ratio,
           av.timing.fps, av.timing.sample_rate);
    play(&core, "load 1", first);
    for (int i = 0; i < CHECKS; ++i)
        printf("%s\n", first[i]);
    if (!threadClockReads)
        printf("the core never read its thread's processor time\n");
    endCore(&core);
    printRecord(a);

    beginCore(&core, b);
    play(&core, "load 2", again);
    int same = 1;
    for (int i = 0; i < CHECKS; ++i)
        if (strcmp(first[i], again[i])) {
            printf("load 2: %s, where load 1 had %s\n", again[i], first[i]);
            same = 0;
        }
    if (same)
        printf("load 2: the frames of load 1\n");
    endCore(&core);
    printRecord(b);
    core.deinit();  /* twice, as a frontend may */
    dlclose(core.library);

    /* A better score kept meanwhile, the time worse than load 1's. */
    char path[4200];
    snprintf(path, sizeof path, "%s/vlim/highscore.dat", a);
    FILE* raised = fopen(path, "w");
    if (!raised || fputs("-1 9999 0.01", raised) < 0 || fclose(raised) != 0)
        fail("cannot write %s", path);
    openCore(&core, argv[1]);
    beginCore(&core, a);
    play(&core, "load 3", again);
    printf("load 3: %s\n", again[0]);
    /* Select: the core asks to be shut down. */
    padState[RETRO_DEVICE_ID_JOYPAD_SELECT] = 1;
    frameTime(16667);
    core.run();
    printf("select: %s\n", shutdownAsked ? "the core asked to be shut down" : "nothing");
    endCore(&core);
    printRecord(a);
    dlclose(core.library);
    return fflush(stdout) == 0 ? 0 : 1;
}
