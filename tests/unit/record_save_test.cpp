// The record must survive the worst moments of a save: the process killed
// mid-write (a crash, a flat battery), a disk that fills up, a file system
// that turns read-only. Either the old record or the new one is on disk,
// complete, never a torn or empty file, and the game goes on.
#include "app/HighScore.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Files.h"
#include "bands/RunClock.h"

namespace fs = std::filesystem;

namespace {

std::string format(int32_t score, double time)
{
    char text[64];
    formatHighScore(text, sizeof text, score, time);
    return text;
}

// ---------------------------------------------------------------------------
// SIGKILL at random moments while the record is being rewritten.

// A running record_writer and the read end of its score reports.
struct Writer {
    pid_t pid = -1;
    int reports = -1;
};

Writer startWriter(const std::vector<std::string>& paths)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(RECORD_WRITER));
    for (const std::string& path : paths)
        argv.push_back(const_cast<char*>(path.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        // dup2 clears close-on-exec on standard output only.
        if (dup2(fds[1], STDOUT_FILENO) < 0)
            _exit(126);
        execv(RECORD_WRITER, argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return {};
    }
    return {pid, fds[0]};
}

// Reads whole 4-byte reports until timeout (ms) or, with -1, end of file;
// returns the last one, or nothing when none came.
std::optional<int32_t> readReports(int fd, int timeoutMs, size_t wanted)
{
    std::optional<int32_t> last;
    std::vector<char> bytes;
    char buffer[4096];
    while (wanted == 0 || bytes.size() < wanted * sizeof(int32_t)) {
        pollfd poller{fd, POLLIN, 0};
        if (poll(&poller, 1, timeoutMs) <= 0)
            break;
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    const size_t whole = bytes.size() / sizeof(int32_t);
    if (whole > 0) {
        int32_t score;
        std::memcpy(&score, bytes.data() + (whole - 1) * sizeof score, sizeof score);
        last = score;
    }
    return last;
}

TEST(KillSafeSave, SigkillAtRandomMomentsLeavesTheOldOrTheNewRecord)
{
    // One record on the disk the tests use, where fsync and sync() make a
    // save slow (0.4 ms here) and so easy to interrupt, and one on tmpfs,
    // where a save is quick and a kill can land at any step of it.
    ScratchDir disk("save");
    std::vector<std::string> paths = {(disk.path / HIGH_SCORE_FILE).string()};
    std::optional<ScratchDir> memory;
    if (fs::is_directory("/dev/shm")) {
        memory.emplace("save", "/dev/shm");
        paths.push_back((memory->path / HIGH_SCORE_FILE).string());
    }

    const int KILLS = 400;
    // A writer lives for 0 to 3 ms after it has read the record: up to a
    // few saves, so most kills fall in the middle of one, at a random step.
    const int MAX_DELAY_US = 3000;
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delayUs(0, MAX_DELAY_US);

    std::vector<int32_t> lastSeen(paths.size(), 0);
    std::vector<bool> existed(paths.size(), false);
    std::vector<int> tempLeft(paths.size(), 0);
    int killsMidSave = 0;
    int32_t confirmed = 0;
    const auto start = std::chrono::steady_clock::now();

    for (int kill = 0; kill < KILLS; ++kill) {
        const Writer writer = startWriter(paths);
        ASSERT_GT(writer.pid, 0) << "cannot start " << RECORD_WRITER;
        // The first report comes once the record has been read.
        const std::optional<int32_t> ready = readReports(writer.reports, 10000, 1);
        if (ready)
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(writer.pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(writer.pid, &status, 0), writer.pid);
        const std::optional<int32_t> later = readReports(writer.reports, -1, 0);
        close(writer.reports);
        ASSERT_TRUE(ready) << "kill " << kill << ": the writer never started";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "kill " << kill << ": the writer ended by itself, status " << status;
        confirmed = later ? *later : *ready;
        // The writer went on from the highest record it found; a kill
        // between two files' saves leaves them one apart.
        int32_t highestBefore = confirmed;
        for (int32_t seen : lastSeen)
            highestBefore = std::max(highestBefore, seen);

        bool midSave = false;
        for (size_t i = 0; i < paths.size(); ++i) {
            const std::string& path = paths[i];
            const std::string tempPrefix = std::string(HIGH_SCORE_FILE) + ".tmp.";
            int temps = 0;
            for (const std::string& name : folderEntries(fs::path(path).parent_path()))
                temps += name.compare(0, tempPrefix.size(), tempPrefix) == 0;
            // The next save removes what a kill left, so there is never more.
            ASSERT_LE(temps, 1) << "kill " << kill;
            if (temps > 0) {
                ++tempLeft[i];
                midSave = true;
            }
            const std::optional<std::string> content = readRaw(path);
            if (!content) {
                ASSERT_FALSE(existed[i]) << "kill " << kill << ": " << path << " vanished";
                ASSERT_EQ(confirmed, 0) << "kill " << kill << ": a completed save is missing";
                continue;
            }
            existed[i] = true;
            int32_t score = -1;
            double time = -1.0;
            readHighScoreFile(score, time, path.c_str());
            // Exactly what one save wrote: not empty, not cut, not mixed.
            ASSERT_EQ(*content, format(score, score / 2.0)) << "kill " << kill << ": " << path;
            ASSERT_GE(score, lastSeen[i]) << "kill " << kill << ": the record went back";
            ASSERT_GE(score, confirmed) << "kill " << kill << ": a completed save was lost";
            // At most one save was under way when the kill came.
            ASSERT_LE(score, highestBefore + 1) << "kill " << kill;
            lastSeen[i] = score;
        }
        killsMidSave += midSave;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::string tempCounts;
    for (size_t i = 0; i < paths.size(); ++i)
        tempCounts += " " + paths[i] + ": " + std::to_string(tempLeft[i]);
    std::printf("%d kills in %.1f s, %d saves completed, %d kills left a temporary file (%s)\n",
                KILLS, seconds, confirmed, killsMidSave, tempCounts.c_str());
    RecordProperty("kills", KILLS);
    RecordProperty("saves", confirmed);
    RecordProperty("killsMidSave", killsMidSave);
    // Guards against a test that kills only idle or starting writers: the
    // writers made progress, and many kills caught a save half done.
    EXPECT_GE(confirmed, KILLS / 10);
    EXPECT_GE(killsMidSave, KILLS / 10);
}

// ---------------------------------------------------------------------------
// Two games saving in one folder at once, each raising only its own figure
// from what it read at the start: every save succeeds and the file ends with
// the best of both, whatever the interleaving.

TEST(SharedFolderSave, TwoWritersAtOnceKeepTheBestOfBoth)
{
    ScratchDir dir("shared");
    const std::string path = (dir.path / HIGH_SCORE_FILE).string();
    const int SAVES = 200;
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1; i <= SAVES; ++i) {
                const bool saved = writer == 0 ? writeHighScoreFile(i, 0.0, path.c_str())
                                               : writeHighScoreFile(0, i * 0.5, path.c_str());
                if (!saved)
                    _exit(1);
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed: status " << status;
    }
    EXPECT_EQ(readRaw(path), format(SAVES, SAVES * 0.5));
    EXPECT_EQ(folderEntries(dir.path), std::vector<std::string>{HIGH_SCORE_FILE});
}

// ---------------------------------------------------------------------------
// Saves that fail: the old file stays byte for byte, no temporary file stays
// behind, and the raised record lives on in memory.

const std::string OLD_RECORD = "-1 100 2.5";

// Runs check in a child process and returns its exit status: 0 when check
// returned no failure, 1 (after printing it) when it did, 77 when setup
// returned false. Whatever the child changes in its own process (limits,
// mounts) ends with it.
int inChild(const std::function<bool()>& setup, const std::function<std::string()>& check)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (!setup())
            _exit(77);
        const std::string failure = check();
        if (!failure.empty()) {
            std::fprintf(stderr, "%s\n", failure.c_str());
            std::fflush(stderr);
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The checks after a failed save in dir; empty when all hold.
std::string oldRecordIntact(const fs::path& dir, const std::string& what)
{
    const std::string path = (dir / HIGH_SCORE_FILE).string();
    const std::optional<std::string> content = readRaw(path);
    if (content != OLD_RECORD)
        return what + ": the old record became \"" + content.value_or("(missing)") + "\"";
    const std::vector<std::string> names = folderEntries(dir);
    if (names != std::vector<std::string>{HIGH_SCORE_FILE}) {
        std::string list;
        for (const std::string& name : names)
            list += " " + name;
        return what + ": the directory holds" + list;
    }
    return "";
}

TEST(FailedSave, FileSizeLimitCutsTheTemporaryFileMidWrite)
{
    // A limit of 5 bytes lets the first write() put 5 of the record's 20
    // bytes and fails the next: the writer's loop over short writes meets
    // the failure halfway (a limit of 0 fails the first write outright).
    ScratchDir dir("save");
    const std::string path = (dir.path / HIGH_SCORE_FILE).string();
    ASSERT_TRUE(writeHighScoreFile(100, 2.5, path.c_str()));
    ASSERT_EQ(readRaw(path), OLD_RECORD);

    const int status = inChild(
        [] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit fiveBytes{5, 5};
            return setrlimit(RLIMIT_FSIZE, &fiveBytes) == 0;
        },
        [&]() -> std::string {
            if (format(123456789, 12.3457).size() <= 5)
                return "the record fits under the limit";
            if (writeHighScoreFile(123456789, 12.3457, path.c_str()))
                return "the save claimed success";
            // The game plays on with the record raised in memory.
            int32_t score = 100;
            double time = 2.5;
            updateRecord(150, 3.0, score, time, path.c_str());
            if (score != 150 || time != 3.0)
                return "the raised record was not kept in memory";
            return oldRecordIntact(dir.path, "under the size limit");
        });
    ASSERT_NE(status, 77) << "setrlimit failed";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(oldRecordIntact(dir.path, "after the limit"), "");
}

// Mounts a fresh tmpfs with the given options on dir in a mount namespace
// of the calling (child) process only; false where mounting is not allowed.
bool privateTmpfs(const fs::path& dir, const char* options)
{
    return unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("vlim-test", dir.c_str(), "tmpfs", 0, options) == 0;
}

TEST(FailedSave, FullOrReadOnlyFileSystemKeepsTheOldRecord)
{
    ScratchDir dir("save");
    const std::string path = (dir.path / HIGH_SCORE_FILE).string();
    const auto saveOld = [&]() -> std::string {
        if (!writeHighScoreFile(100, 2.5, path.c_str()) || readRaw(path) != OLD_RECORD)
            return "the old record could not be saved";
        return "";
    };

    // One page of space, taken by the old record: the new one's bytes find
    // no room (ENOSPC from write). Once there is room again, only a later
    // beat saves: a failed save is not retried every frame.
    int status = inChild([&] { return privateTmpfs(dir.path, "size=4k,mode=0755"); },
                         [&]() -> std::string {
                             std::string failure = saveOld();
                             if (!failure.empty())
                                 return failure;
                             if (writeHighScoreFile(999, 9.5, path.c_str()))
                                 return "full disk: the save claimed success";
                             failure = oldRecordIntact(dir.path, "full disk");
                             if (!failure.empty())
                                 return failure;
                             int32_t score = 100;
                             double time = 2.5;
                             updateRecord(150, 1.0, score, time, path.c_str());
                             if (score != 150 || time != 2.5)
                                 return "full disk: the raised record was not kept in memory";
                             failure = oldRecordIntact(dir.path, "full disk, updateRecord");
                             if (!failure.empty())
                                 return failure;
                             if (mount("vlim-test", dir.path.c_str(), nullptr, MS_REMOUNT,
                                       "size=64k") != 0)
                                 return std::string("remount: ") + std::strerror(errno);
                             updateRecord(150, 1.0, score, time, path.c_str());
                             if (readRaw(path) != OLD_RECORD)
                                 return "the same figures saved again";
                             updateRecord(160, 1.0, score, time, path.c_str());
                             if (readRaw(path) != format(160, 2.5))
                                 return "a later beat was not saved once there was room";
                             return "";
                         });
    if (status == 77)
        GTEST_SKIP() << "no private tmpfs can be mounted here";
    EXPECT_EQ(status, 0) << "full disk";

    // Room for bytes but no inode for the temporary file (ENOSPC from open).
    status = inChild([&] { return privateTmpfs(dir.path, "nr_inodes=2,mode=0755"); },
                     [&]() -> std::string {
                         const std::string failure = saveOld();
                         if (!failure.empty())
                             return failure;
                         if (writeHighScoreFile(999, 9.5, path.c_str()))
                             return "no inodes: the save claimed success";
                         return oldRecordIntact(dir.path, "no inodes");
                     });
    EXPECT_EQ(status, 0) << "no inodes";

    // A file system remounted read-only under the game (EROFS).
    status = inChild([&] { return privateTmpfs(dir.path, "mode=0755"); },
                     [&]() -> std::string {
                         const std::string failure = saveOld();
                         if (!failure.empty())
                             return failure;
                         if (mount("vlim-test", dir.path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY,
                                   nullptr) != 0)
                             return std::string("remount read-only: ") + std::strerror(errno);
                         if (writeHighScoreFile(999, 9.5, path.c_str()))
                             return "read-only: the save claimed success";
                         return oldRecordIntact(dir.path, "read-only");
                     });
    EXPECT_EQ(status, 0) << "read-only";

    // The mounts were the children's alone: the directory itself is untouched.
    EXPECT_TRUE(fs::is_empty(dir.path));
}

}  // namespace
