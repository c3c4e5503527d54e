// Reading, raising and crash-safe writing of the record file.
#include "app/HighScore.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "world/GameWorld.h"

const char* const HIGH_SCORE_FILE = "highscore.dat";

namespace {

// White space as the C locale's isspace sees it, whatever locale is set.
bool isSpaceC(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Every character strtod could consume after the white space: signs, digits,
// the point, exponents, hex digits and "0x", "inf", "nan(...)".
bool isNumberChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
           c == '+' || c == '-' || c == '(' || c == ')' || c == '_';
}

// strtod and printf honour LC_NUMERIC; the file always has a full stop.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

enum class Scan {
    Value,       // read and stored
    Unreadable,  // a well-formed number that cannot be a record value
    None,        // no number here: the reading stops
};

// A cursor over the file content, reading the way fscanf would.
struct Reader {
    const char* data;
    size_t length;
    size_t pos;

    void skipSpace()
    {
        while (pos < length && isSpaceC(data[pos]))
            ++pos;
    }

    // "%d", but a value outside int32 is Unreadable instead of undefined.
    Scan readInt(int32_t& value)
    {
        skipSpace();
        bool negative = false;
        if (pos < length && (data[pos] == '+' || data[pos] == '-')) {
            negative = data[pos] == '-';
            ++pos;
        }
        const size_t digitsStart = pos;
        const uint64_t limit = uint64_t(INT32_MAX) + 1;  // the magnitude of INT32_MIN
        uint64_t magnitude = 0;
        bool tooBig = false;
        while (pos < length && data[pos] >= '0' && data[pos] <= '9') {
            if (!tooBig) {
                magnitude = magnitude * 10 + uint64_t(data[pos] - '0');
                tooBig = magnitude > limit;
            }
            ++pos;
        }
        if (pos == digitsStart)
            return Scan::None;
        if (tooBig || (!negative && magnitude == limit))
            return Scan::Unreadable;
        value = negative ? int32_t(-int64_t(magnitude)) : int32_t(magnitude);
        return Scan::Value;
    }

    // "%lf", read by strtod; nan, inf and overflow are Unreadable.
    Scan readDouble(double& value)
    {
        skipSpace();
        size_t end = pos;
        while (end < length && isNumberChar(data[end]))
            ++end;
        if (end == pos)
            return Scan::None;
        // strtod needs a terminated string; the data may be neither.
        const std::string token(data + pos, end - pos);
        char* stop = nullptr;
        const locale_t locale = cLocale();
        const double parsed = locale != locale_t(0) ? strtod_l(token.c_str(), &stop, locale)
                                                    : strtod(token.c_str(), &stop);
        if (stop == token.c_str())
            return Scan::None;
        pos += size_t(stop - token.c_str());
        if (!std::isfinite(parsed))
            return Scan::Unreadable;
        value = parsed;
        return Scan::Value;
    }
};

// Reads up to size bytes; -1 on a read error.
ssize_t readUpTo(int fd, char* buffer, size_t size)
{
    size_t total = 0;
    while (total < size) {
        const ssize_t got = read(fd, buffer + total, size - total);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        total += size_t(got);
    }
    return ssize_t(total);
}

bool writeAll(int fd, const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t put = write(fd, data, length);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (put == 0)
            return false;
        data += put;
        length -= size_t(put);
    }
    return true;
}

bool syncFile(int fd)
{
    while (fsync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

}  // namespace

void parseHighScore(const char* data, size_t length, int32_t& bestScore, double& bestTime)
{
    Reader reader{data, length, 0};
    int32_t first = 0;
    if (reader.readInt(first) != Scan::Value)
        return;
    if (first != RECORD_LAYOUT_MARKER) {
        bestScore = first;
        return;
    }
    // An out-of-range score is still a whole number token, so the time after
    // it can be read.
    if (reader.readInt(bestScore) == Scan::None)
        return;
    reader.readDouble(bestTime);
}

size_t formatHighScore(char* out, size_t size, int32_t bestScore, double bestTime)
{
    // printf's %g in the C locale, so a full stop whatever the process's
    // locale. The longest text, "-1 -2147483648 -1.79769e+308", fits.
    char text[48];
    const locale_t locale = cLocale();
    const locale_t previous = locale != locale_t(0) ? uselocale(locale) : locale_t(0);
    const int printed = snprintf(text, sizeof text, "%d %d %.6g", RECORD_LAYOUT_MARKER, int(bestScore), bestTime);
    if (previous != locale_t(0))
        uselocale(previous);
    const size_t length = printed > 0 ? size_t(printed) : 0;
    if (size > 0) {
        const size_t copied = length < size ? length : size - 1;
        memcpy(out, text, copied);
        out[copied] = '\0';
    }
    return length;
}

RecordFile readHighScoreFile(int32_t& bestScore, double& bestTime, const char* path)
{
    // O_NONBLOCK so that a FIFO under the record's name cannot hang start-up;
    // it is refused below like every other file that is not a regular one.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT ? RecordFile::Missing : RecordFile::Unreadable;
    // One byte more than is parsed, to tell whether the file goes on.
    char buffer[HIGH_SCORE_READ_LIMIT + 1];
    ssize_t got = -1;
    struct stat status;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode))
        got = readUpTo(fd, buffer, sizeof buffer);
    close(fd);
    if (got < 0)
        return RecordFile::Unreadable;
    size_t length = size_t(got);
    if (length > HIGH_SCORE_READ_LIMIT) {
        // A number running across the limit would read as its front part,
        // a wrong record: leave it unread instead.
        length = HIGH_SCORE_READ_LIMIT;
        if (!isSpaceC(buffer[length])) {
            while (length > 0 && !isSpaceC(buffer[length - 1]))
                --length;
        }
    }
    parseHighScore(buffer, length, bestScore, bestTime);
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
    int dots = 0;
    bool digit = false;  // a digit since the last dot
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] == '.' && digit && dots == 0) {
            ++dots;
            digit = false;
        } else if (name[i] >= '0' && name[i] <= '9') {
            digit = true;
        } else {
            return false;
        }
    }
    return dots == 1 && digit;
}

// Under the folder's lock every save of ours has ended, so a temporary file
// still there was left by a game killed mid-save. Anything but a regular
// file of that name is not ours and stays.
void removeStaleTemps(int folder, const std::string& record)
{
    const int listFd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return;
    DIR* list = fdopendir(listFd);
    if (!list) {
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

// How long a save waits for another game's save in the same folder, which
// takes milliseconds; one that holds the lock longer has been stopped.
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

// Creates a temporary file of this process's next free name next to file.
int createTemp(const std::string& file, std::string& tempPath)
{
    static unsigned saves = 0;
    for (int tries = 0; tries < 100; ++tries) {
        tempPath = file + TEMP_INFIX + std::to_string(getpid()) + "." + std::to_string(saves++);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The save itself, under the folder's lock when it is held.
bool replaceRecord(const std::string& file, int32_t bestScore, double bestTime)
{
    // Another game may have saved a better figure since this one read the
    // record: keep the better of the two, figure by figure.
    int32_t diskScore = bestScore;
    double diskTime = bestTime;
    if (readHighScoreFile(diskScore, diskTime, file.c_str()) == RecordFile::Unreadable)
        return false;  // a record there that cannot be read is never replaced
    char text[64];
    const size_t length = formatHighScore(text, sizeof text, diskScore > bestScore ? diskScore : bestScore,
                                          diskTime > bestTime ? diskTime : bestTime);
    // The old record stays in place until rename swaps in a complete new
    // one, so a crash or a flat battery never leaves a torn or empty file.
    std::string tempPath;
    const int fd = createTemp(file, tempPath);
    if (fd < 0)
        return false;
    bool written = writeAll(fd, text, length) && syncFile(fd);
    if (close(fd) != 0)
        written = false;
    if (written && rename(tempPath.c_str(), file.c_str()) != 0)
        written = false;
    if (!written)
        unlink(tempPath.c_str());
    return written;
}

}  // namespace

bool writeHighScoreFile(int32_t bestScore, double bestTime, const char* path)
{
    // A link is followed: the file it points to holds the record.
    const std::string file = followLinks(path);
    const std::string folderPath = folderOf(file);
    const int folder = open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const Lock lock = lockFolder(folder);
    bool saved = false;
    if (lock != Lock::Busy) {
        if (lock == Lock::Held)
            removeStaleTemps(folder, file.substr(file.rfind('/') + 1));
        saved = replaceRecord(file, bestScore, bestTime);
    }
    if (folder >= 0)
        close(folder);  // releases the lock
    if (!saved)
        return false;
    // Commits the rename itself, not only the file's bytes.
    sync();
    return true;
}

bool raiseRecord(int32_t runScore, double runTime, int32_t& bestScore, double& bestTime)
{
    if (!(runScore > bestScore || runTime > bestTime))
        return false;
    if (runScore > bestScore)
        bestScore = runScore;
    if (runTime > bestTime)
        bestTime = runTime;
    return true;
}

void updateRecord(int32_t& bestScore, double& bestTime, const char* path)
{
    if (raiseRecord(gameWorld.score(), gameWorld.longestSplitSeconds(), bestScore, bestTime))
        writeHighScoreFile(bestScore, bestTime, path);
}
