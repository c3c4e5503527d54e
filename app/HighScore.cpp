// Reading, raising and crash-safe writing of the record file.
#include "app/HighScore.h"

#include <ctype.h>
#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Platform.h"

const char* const HIGH_SCORE_FILE = "highscore.dat";

namespace {

// The record's text is read and written in the C locale, whatever the
// process's: strtod and printf honour LC_NUMERIC, which a library may set,
// and the file always has a full stop. The C locale is built in: asking
// for it cannot fail.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

struct InCLocale {
    const locale_t previous = uselocale(cLocale());
    ~InCLocale() { uselocale(previous); }
};

bool isSpace(char c)
{
    return isspace_l(static_cast<unsigned char>(c), cLocale());
}

bool fitsInt32(long long value)
{
    return value >= INT32_MIN && value <= INT32_MAX;
}

}  // namespace

// fscanf's "%d" and "%lf" are strtoll and strtod, with the out-of-range
// integers and the times that are not finite taken as unreadable.
void parseHighScore(const char* text, int32_t& bestScore, double& bestTime)
{
    const InCLocale inC;
    char* end = nullptr;
    errno = 0;
    const long long first = strtoll(text, &end, 10);
    if (end == text || errno == ERANGE || !fitsInt32(first))
        return;
    if (first != RECORD_LAYOUT_MARKER) {
        bestScore = int32_t(first);
        return;
    }
    // An out-of-range score is still a whole number, so the time after it
    // can be read.
    text = end;
    errno = 0;
    const long long score = strtoll(text, &end, 10);
    if (end == text)
        return;
    if (errno != ERANGE && fitsInt32(score))
        bestScore = int32_t(score);
    text = end;
    const double time = strtod(text, &end);
    if (end != text && std::isfinite(time))
        bestTime = time;
}

size_t formatHighScore(char* out, size_t size, int32_t bestScore, double bestTime)
{
    const InCLocale inC;
    const int printed = snprintf(out, size, "%d %d %.6g", RECORD_LAYOUT_MARKER, int(bestScore), bestTime);
    return printed > 0 ? size_t(printed) : 0;
}

RecordFile readHighScoreFile(int32_t& bestScore, double& bestTime, const char* path)
{
    // O_NONBLOCK so that a FIFO under the record's name cannot hang start-up;
    // it is refused below like every other file that is not a regular one.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? RecordFile::Missing : RecordFile::Unreadable;
    // One byte more than is parsed, to tell whether the file goes on; the
    // text is then ended there, or at a NUL inside it.
    char buffer[HIGH_SCORE_READ_LIMIT + 1];
    size_t length = 0;
    struct stat status;
    bool readable = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    while (readable && length < sizeof buffer) {
        const ssize_t got = read(fd, buffer + length, sizeof buffer - length);
        if (got == 0)
            break;
        if (got > 0)
            length += size_t(got);
        else
            readable = errno == EINTR;
    }
    close(fd);
    if (!readable)
        return RecordFile::Unreadable;
    // A number running across the limit would read as its front part, a
    // wrong record: it is left unread instead.
    const bool cut = length > HIGH_SCORE_READ_LIMIT && !isSpace(buffer[HIGH_SCORE_READ_LIMIT]);
    length = std::min(length, HIGH_SCORE_READ_LIMIT);
    while (cut && length > 0 && !isSpace(buffer[length - 1]))
        --length;
    buffer[length] = '\0';
    parseHighScore(buffer, bestScore, bestTime);
    return RecordFile::Read;
}

namespace {

// The folder part of path: "." for a bare name.
std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links at path ends in, which may not exist
// yet; path itself when it is no link. A chain too long or a loop is left
// for open to refuse (ELOOP), which makes the record unreadable.
std::string followLinks(const char* path)
{
    std::string file = path;
    for (int hops = 0; hops < 40; ++hops) {
        char target[4096];
        const ssize_t length = readlink(file.c_str(), target, sizeof target);
        if (length <= 0 || size_t(length) == sizeof target)
            break;
        const std::string link(target, size_t(length));
        file = link[0] == '/' || file.find('/') == std::string::npos ? link : folderOf(file) + "/" + link;
    }
    return file;
}

// Temporary files are named "<record>.tmp.<pid>.<n>", one name per save, so
// two games in one folder never write, rename or remove each other's.
const char TEMP_INFIX[] = ".tmp.";

bool isTempOf(const std::string& name, const std::string& record)
{
    const std::string prefix = record + TEMP_INFIX;
    if (name.compare(0, prefix.size(), prefix) != 0)
        return false;
    const char* pid = name.c_str() + prefix.size();
    const size_t pidLength = strspn(pid, "0123456789");
    const char* count = pid + pidLength + 1;
    return pidLength > 0 && pid[pidLength] == '.' && *count && strspn(count, "0123456789") == strlen(count);
}

// Under the folder's lock every save of ours has ended, so a temporary file
// still there was left by a game killed mid-save. Anything but a regular
// file of that name is not ours and stays.
void removeStaleTemps(int folder, const std::string& record)
{
    const int listFd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* list = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!list) {
        if (listFd >= 0)
            close(listFd);
        return;
    }
    while (const dirent* entry = readdir(list)) {
        struct stat status;
        if (isTempOf(entry->d_name, record) && fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode))
            unlinkat(folder, entry->d_name, 0);
    }
    closedir(list);
}

// Another game's save takes milliseconds; one that holds the lock longer
// has been stopped.
const int LOCK_WAIT_MS = 2000;
enum class Lock { Held, Unsupported, Busy };

// An advisory lock on the record's folder (the record itself is replaced by
// each save, so it cannot carry the lock). Where locks are not available the
// save goes on without: a single game needs none.
Lock lockFolder(int folder)
{
    if (folder < 0)
        return Lock::Unsupported;
    for (int waited = 0;; waited += 10) {
        if (flock(folder, LOCK_EX | LOCK_NB) == 0)
            return Lock::Held;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Lock::Unsupported;
        if (waited >= LOCK_WAIT_MS)
            return Lock::Busy;
        const timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

// Writes text to a new temporary file next to file, makes it durable and
// renames it over file: the old record stays until a complete new one takes
// its place, so a crash or a flat battery never leaves a torn or empty file.
bool replaceFile(const std::string& file, const char* text, size_t length)
{
    static unsigned saves = 0;
    std::string tempPath;
    int fd = -1;
    for (int tries = 0; tries < 100 && fd < 0; ++tries) {
        tempPath = file + TEMP_INFIX + std::to_string(getpid()) + "." + std::to_string(saves++);
        fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool written = true;
    for (size_t done = 0; written && done < length;) {
        const ssize_t put = write(fd, text + done, length - done);
        if (put > 0)
            done += size_t(put);
        else
            written = put < 0 && errno == EINTR;
    }
    while (written && fsync(fd) != 0)
        written = errno == EINTR;
    written = close(fd) == 0 && written && rename(tempPath.c_str(), file.c_str()) == 0;
    if (!written)
        unlink(tempPath.c_str());
    return written;
}

// The save, under the folder's lock when it is held. Another game may have
// saved since this one read the record: each figure keeps the better of both.
bool saveBetterOfBoth(const std::string& file, int32_t bestScore, double bestTime)
{
    int32_t diskScore = bestScore;
    double diskTime = bestTime;
    if (readHighScoreFile(diskScore, diskTime, file.c_str()) == RecordFile::Unreadable)
        return false;  // a record there that cannot be read is never replaced
    char text[64];
    const size_t length =
        formatHighScore(text, sizeof text, std::max(bestScore, diskScore), std::max(bestTime, diskTime));
    return replaceFile(file, text, length);
}

}  // namespace

bool writeHighScoreFile(int32_t bestScore, double bestTime, const char* path)
{
    // A link is followed: the file it points to holds the record.
    const std::string file = followLinks(path);
    const int folder = open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const Lock lock = lockFolder(folder);
    if (lock == Lock::Held)
        removeStaleTemps(folder, file.substr(file.rfind('/') + 1));
    const bool saved = lock != Lock::Busy && saveBetterOfBoth(file, bestScore, bestTime);
    if (folder >= 0)
        close(folder);  // releases the lock
    if (!saved)
        return false;
    // Commits the rename itself, not only the file's bytes, as the platform
    // does it.
    commitRecordFolder();
    return true;
}

bool raiseRecord(int32_t runScore, double runTime, int32_t& bestScore, double& bestTime)
{
    if (!(runScore > bestScore || runTime > bestTime))
        return false;
    bestScore = std::max(bestScore, runScore);
    bestTime = std::max(bestTime, runTime);
    return true;
}

void updateRecord(int32_t runScore, double runTime, int32_t& bestScore, double& bestTime, const char* path)
{
    if (raiseRecord(runScore, runTime, bestScore, bestTime) && path)
        writeHighScoreFile(bestScore, bestTime, path);
}
