// vlim as a libretro core: the game on the software screen, driven one frame
// at a time by a frontend such as RetroArch. No SDL (the frontend's own SDL 2
// has SDL 1.2's names with other layouts), no threads, no exit: the core
// lives inside another program and must leave it as it found it.
#include <libretro.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "app/Frame.h"
#include "app/FrameSchedule.h"
#include "app/HighScore.h"
#include "app/Screens.h"
#include "platform/software/SoftwareScreen.h"
#include "world/GameWorld.h"

namespace {

retro_environment_t environment = nullptr;
retro_video_refresh_t showFrame = nullptr;
retro_audio_sample_batch_t playAudio = nullptr;
retro_input_poll_t pollPads = nullptr;
retro_input_state_t readPad = nullptr;
retro_log_printf_t frontendLog = nullptr;

// The RetroPad's buttons that play, and what they are called in the
// frontend's menus.
struct PadBinding {
    unsigned id;
    GameButton button;
    const char* description;
};
const PadBinding PAD_BUTTONS[] = {
    {RETRO_DEVICE_ID_JOYPAD_UP, GameButton::Up, "Steer up"},
    {RETRO_DEVICE_ID_JOYPAD_DOWN, GameButton::Down, "Steer down"},
    {RETRO_DEVICE_ID_JOYPAD_B, GameButton::Split, "Split"},
    {RETRO_DEVICE_ID_JOYPAD_A, GameButton::Split, "Split"},
    {RETRO_DEVICE_ID_JOYPAD_START, GameButton::Start, "Start"},
    {RETRO_DEVICE_ID_JOYPAD_SELECT, GameButton::Select, "Quit"},
};
const int PAD_BUTTON_COUNT = sizeof PAD_BUTTONS / sizeof PAD_BUTTONS[0];

// What the frontend is told of the frame rate and the sound. The game's time
// is the frame-time callback's, whatever rate the frontend runs at; without
// the callback each frame is taken as a sixtieth of a second.
const double REPORTED_FPS = 60.0;
const retro_usec_t REFERENCE_FRAME_MICROS = 16667;
const unsigned AUDIO_RATE = 44100;

// Everything a loaded game holds; the whole of it is set anew at each load.
struct CoreState {
    SoftwareScreen screen;
    DisplayState display;
    std::string recordPath;      // empty: nowhere to keep the record
    uint64_t elapsedMicros = 0;  // the frame times so far
    retro_usec_t frameMicros = 0;  // this frame's, from the callback; 0: none came
    uint32_t lastFrameTicks = 0;   // timeFrame's; 0: no frame timed yet
    bool held[PAD_BUTTON_COUNT] = {};  // as of the last poll
    InputEvent pending[PAD_BUTTON_COUNT];  // this frame's, in the table's order
    int pendingCount = 0, pendingTaken = 0;
    uint64_t audioFrameRemainder = 0;  // microseconds of sound owed, times the rate
};
CoreState* core = nullptr;

void say(retro_log_level level, const char* format, ...)
{
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (frontendLog)
        frontendLog(level, "vlim: %s\n", line);
    else
        fprintf(stderr, "vlim: %s\n", line);
}

void takeFrameTime(retro_usec_t micros)
{
    if (core)
        core->frameMicros = micros;
}

// The record is "vlim/highscore.dat" in the frontend's save directory.
void findRecord()
{
    const char* saves = nullptr;
    if (!environment(RETRO_ENVIRONMENT_GET_SAVE_DIRECTORY, &saves) || !saves || !*saves) {
        say(RETRO_LOG_WARN, "the frontend names no save directory: the record is kept until the core is closed");
        core->display.recordPath = nullptr;
        return;
    }
    const std::string folder = std::string(saves) + "/vlim";
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
        say(RETRO_LOG_WARN, "cannot make %s (%s): records will not be saved", folder.c_str(), strerror(errno));
    core->recordPath = folder + "/" + HIGH_SCORE_FILE;
    core->display.recordPath = core->recordPath.c_str();
    if (readHighScoreFile(core->display.bestScore, core->display.bestTime, core->display.recordPath) ==
        RecordFile::Unreadable)
        say(RETRO_LOG_WARN, "%s cannot be read: it is left as it is", core->display.recordPath);
}

// Each button that changed since the last poll, as a press or a release.
void readButtons()
{
    pollPads();
    core->pendingCount = core->pendingTaken = 0;
    for (int i = 0; i < PAD_BUTTON_COUNT; ++i) {
        const bool down = readPad(0, RETRO_DEVICE_JOYPAD, 0, PAD_BUTTONS[i].id) != 0;
        if (down == core->held[i])
            continue;
        core->held[i] = down;
        core->pending[core->pendingCount++] = {down ? InputEvent::Pressed : InputEvent::Released, PAD_BUTTONS[i].button};
    }
}

// Silence for as long as the frame lasted, so that a frontend that paces
// itself by its sound runs in real time.
void playSilence(retro_usec_t micros)
{
    static const int16_t silence[2 * 1024] = {};
    if (!playAudio)
        return;
    core->audioFrameRemainder += static_cast<uint64_t>(micros) * AUDIO_RATE;
    uint64_t frames = core->audioFrameRemainder / 1000000;
    core->audioFrameRemainder %= 1000000;
    while (frames > 0) {
        const size_t batch = frames < 1024 ? static_cast<size_t>(frames) : 1024;
        playAudio(silence, batch);
        frames -= batch;
    }
}

void present()
{
    showFrame(core->screen.pixels, SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_WIDTH * sizeof(uint16_t));
}

void releaseTexts()
{
    for (TextImage** text : {&core->display.scoreText, &core->display.timeText})
        if (*text) {
            freeTextImage(*text);
            *text = nullptr;
        }
}

}  // namespace

// ---- The seam's services ----

bool pollInputEvent(InputEvent& event)
{
    if (!core || core->pendingTaken == core->pendingCount)
        return false;
    event = core->pending[core->pendingTaken++];
    return true;
}

uint32_t readTicks()
{
    // Never 0, which the frame's timing takes as "not timed yet".
    return static_cast<uint32_t>(1 + (core ? core->elapsedMicros : 0) / 1000);
}

void waitTicks(uint32_t)
{
    // The frontend paces the frames.
}

void presentScreen(Screen*)
{
    present();
}

clock_t readProcessorClock()
{
    // The game's own thread: the frontend's other threads (video, audio)
    // work too, and a split must not last their time.
    timespec now;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return clock();
    const uint64_t micros = static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
    return static_cast<clock_t>(micros);
}

bool recordChangedElsewhere()
{
    return false;
}

void commitRecordFolder()
{
    // The rename lives in the folder, which the file's own fsync does not
    // write out.
    if (!core || core->recordPath.empty())
        return;
    const std::string folder = core->recordPath.substr(0, core->recordPath.rfind('/'));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// ---- The libretro interface ----

RETRO_API unsigned retro_api_version()
{
    return RETRO_API_VERSION;
}

RETRO_API void retro_set_environment(retro_environment_t callback)
{
    environment = callback;
    bool noGame = true;
    environment(RETRO_ENVIRONMENT_SET_SUPPORT_NO_GAME, &noGame);
}

RETRO_API void retro_set_video_refresh(retro_video_refresh_t callback)
{
    showFrame = callback;
}

RETRO_API void retro_set_audio_sample(retro_audio_sample_t)
{
}

RETRO_API void retro_set_audio_sample_batch(retro_audio_sample_batch_t callback)
{
    playAudio = callback;
}

RETRO_API void retro_set_input_poll(retro_input_poll_t callback)
{
    pollPads = callback;
}

RETRO_API void retro_set_input_state(retro_input_state_t callback)
{
    readPad = callback;
}

RETRO_API void retro_init()
{
    retro_log_callback log;
    frontendLog = environment && environment(RETRO_ENVIRONMENT_GET_LOG_INTERFACE, &log) ? log.log : nullptr;
}

RETRO_API void retro_deinit()
{
    retro_unload_game();
    frontendLog = nullptr;
}

RETRO_API void retro_get_system_info(retro_system_info* info)
{
    *info = retro_system_info();
    info->library_name = "vlim";
    info->library_version = VLIM_VERSION;
    info->valid_extensions = "";
    info->need_fullpath = false;
    info->block_extract = false;
}

RETRO_API void retro_get_system_av_info(retro_system_av_info* info)
{
    *info = retro_system_av_info();
    info->geometry.base_width = info->geometry.max_width = SCREEN_WIDTH;
    info->geometry.base_height = info->geometry.max_height = SCREEN_HEIGHT;
    info->geometry.aspect_ratio = 4.0f / 3.0f;
    info->timing.fps = REPORTED_FPS;
    info->timing.sample_rate = AUDIO_RATE;
}

RETRO_API void retro_set_controller_port_device(unsigned, unsigned)
{
}

RETRO_API bool retro_load_game(const retro_game_info*)
{
    retro_pixel_format format = RETRO_PIXEL_FORMAT_RGB565;
    if (!environment(RETRO_ENVIRONMENT_SET_PIXEL_FORMAT, &format)) {
        say(RETRO_LOG_ERROR, "the frontend cannot show RGB565");
        return false;
    }
    retro_input_descriptor descriptors[PAD_BUTTON_COUNT + 1] = {};
    for (int i = 0; i < PAD_BUTTON_COUNT; ++i)
        descriptors[i] = {0, RETRO_DEVICE_JOYPAD, 0, PAD_BUTTONS[i].id, PAD_BUTTONS[i].description};
    environment(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS, descriptors);
    retro_frame_time_callback frameTime = {takeFrameTime, REFERENCE_FRAME_MICROS};
    environment(RETRO_ENVIRONMENT_SET_FRAME_TIME_CALLBACK, &frameTime);

    // A game loaded again in the same process starts as the first did.
    retro_unload_game();
    core = new CoreState();
    gameWorld.renew();
    core->display.smallFont = fontOf(glyphFontAt(16));
    core->display.titleFont = fontOf(glyphFontAt(66));
    findRecord();
    return true;
}

RETRO_API bool retro_load_game_special(unsigned, const retro_game_info*, size_t)
{
    return false;
}

RETRO_API void retro_unload_game()
{
    if (!core)
        return;
    releaseTexts();
    delete core;
    core = nullptr;
}

RETRO_API void retro_reset()
{
    // A fresh world on the title screen; the record stays.
    if (!core)
        return;
    releaseTexts();
    gameWorld.renew();
    core->lastFrameTicks = 0;
}

RETRO_API void retro_run()
{
    if (!core)
        return;
    // After Select the frontend is closing the core: the last frame stays.
    if (gameWorld.quitRequested) {
        present();
        return;
    }
    const retro_usec_t micros = core->frameMicros > 0 ? core->frameMicros : REFERENCE_FRAME_MICROS;
    core->frameMicros = 0;
    core->elapsedMicros += static_cast<uint64_t>(micros);
    readButtons();

    // The desktop's frame without its wait: the frontend has waited. The
    // first reading only starts the clock, and the desktop's loop then
    // reads it again at once.
    clearScreen(screenOf(&core->screen));
    float dt = 0.0f;
    if (!timeFrame(core->lastFrameTicks, readTicks(), dt))
        timeFrame(core->lastFrameTicks, readTicks(), dt);
    playFrame(core->display, screenOf(&core->screen), dt);
    presentScreen(screenOf(&core->screen));
    playSilence(micros);

    // Once: the frames after it return above.
    if (gameWorld.quitRequested)
        environment(RETRO_ENVIRONMENT_SHUTDOWN, nullptr);
}

RETRO_API size_t retro_serialize_size()
{
    return 0;
}

RETRO_API bool retro_serialize(void*, size_t)
{
    return false;
}

RETRO_API bool retro_unserialize(const void*, size_t)
{
    return false;
}

RETRO_API void retro_cheat_reset()
{
}

RETRO_API void retro_cheat_set(unsigned, bool, const char*)
{
}

RETRO_API unsigned retro_get_region()
{
    return RETRO_REGION_NTSC;
}

RETRO_API void* retro_get_memory_data(unsigned)
{
    return nullptr;
}

RETRO_API size_t retro_get_memory_size(unsigned)
{
    return 0;
}
