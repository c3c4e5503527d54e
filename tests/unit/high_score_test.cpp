// Tests for the record file: both layouts, damaged files, the exact text
// written, the strict-beat rules and writes that fail without losing the record.
#include "app/HighScore.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/Files.h"

namespace fs = std::filesystem;

namespace {

using Record = std::pair<int32_t, double>;

// The text as the file reader hands it over: ended by a NUL after its bytes.
Record parse(const std::string& content, Record start = {0, 0.0})
{
    parseHighScore(content.c_str(), start.first, start.second);
    return start;
}

// The designed reading, done by the C library itself, for texts without NULs
// whose integers fit in int32.
Record sscanfReference(const std::string& text)
{
    Record record{0, 0.0};
    const char* p = text.c_str();
    int first = 0;
    int used = 0;
    if (std::sscanf(p, "%d%n", &first, &used) != 1)
        return record;
    if (first != -1)
        return {first, 0.0};
    p += used;
    int score = 0;
    if (std::sscanf(p, "%d%n", &score, &used) != 1)
        return record;
    record.first = score;
    p += used;
    double time = 0.0;
    if (std::sscanf(p, "%lf", &time) == 1)
        record.second = time;
    return record;
}

std::string format(int32_t score, double time)
{
    char out[64];
    const size_t length = formatHighScore(out, sizeof out, score, time);
    EXPECT_EQ(length, std::string(out).size());
    return out;
}

// Turns the capabilities that override file permissions off and on again in
// this thread's effective set, so that as root (in a user namespace too)
// permissions bind as for a player. False when the set cannot be changed.
bool overridePermissions(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    const uint32_t override = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective = on ? data[0].effective | (override & data[0].permitted) : data[0].effective & ~override;
    return syscall(SYS_capset, &header, data) == 0;
}

long openFdCount()
{
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
}

// Each test runs in its own empty working directory, so the default relative
// path is exercised and no real record is ever touched.
class HighScoreFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch.enter();
        fdsBefore = openFdCount();
    }

    void TearDown() override
    {
        EXPECT_EQ(openFdCount(), fdsBefore) << "a file handle was left open";
    }

    Record readFile(const std::string& content, Record start = {0, 0.0})
    {
        EXPECT_TRUE(writeRaw(HIGH_SCORE_FILE, content));
        readHighScoreFile(start.first, start.second);
        return start;
    }

    ScratchDir scratch{"highscore"};
    long fdsBefore = 0;
};

using Names = std::vector<std::string>;
const Names ONLY_THE_RECORD = {HIGH_SCORE_FILE};

}  // namespace

TEST(ParseHighScore, ReadsBothLayoutsAsFscanfWould)
{
    EXPECT_EQ(parse("-1 42 3.25"), Record(42, 3.25));
    EXPECT_EQ(parse("-1 1234 12.3457"), Record(1234, 12.3457));
    // Older layout: one integer; whatever follows it is ignored.
    EXPECT_EQ(parse("42"), Record(42, 0.0));
    EXPECT_EQ(parse("7 3.5"), Record(7, 0.0));
    EXPECT_EQ(parse("-7"), Record(-7, 0.0));
    EXPECT_EQ(parse("+42"), Record(42, 0.0));
    EXPECT_EQ(parse("-01 5 2"), Record(5, 2.0));
    // Missing values keep theirs.
    EXPECT_EQ(parse("-1"), Record(0, 0.0));
    EXPECT_EQ(parse("-1 500"), Record(500, 0.0));
    EXPECT_EQ(parse("-1", {17, 1.5}), Record(17, 1.5));
    EXPECT_EQ(parse("-1 500", {17, 1.5}), Record(500, 1.5));
    EXPECT_EQ(parse("-1 x 2.5", {17, 1.5}), Record(17, 1.5));
    // White space of every kind before and between the values.
    EXPECT_EQ(parse(" \t\n\v\f\r-1\n\n42\r\n\t3.25\n"), Record(42, 3.25));
    // The int32 limits themselves are values.
    EXPECT_EQ(parse("-1 -2147483648 1"), Record(INT32_MIN, 1.0));
    EXPECT_EQ(parse("2147483647"), Record(INT32_MAX, 0.0));
    EXPECT_EQ(parse("-1 00000000000000000000007 1"), Record(7, 1.0));
    // The time is whatever strtod makes of it, negative ones included.
    EXPECT_EQ(parse("-1 5 2.5e1"), Record(5, 25.0));
    EXPECT_EQ(parse("-1 5 .5"), Record(5, 0.5));
    EXPECT_EQ(parse("-1 5 -2.5"), Record(5, -2.5));
    EXPECT_EQ(parse("-1 5 3.5 junk"), Record(5, 3.5));
    EXPECT_EQ(parse("-1 5 3.5x"), Record(5, 3.5));
    EXPECT_EQ(parse("-1 5 0x1.8p1"), Record(5, 3.0));
    EXPECT_EQ(parse("-1 5 1e-400"), Record(5, 0.0));
    // Each value starts where the previous one stopped, as with fscanf.
    EXPECT_EQ(parse("-1 5.5 3"), Record(5, 0.5));
    EXPECT_EQ(parse("-1-5-2"), Record(-5, -2.0));
}

TEST(ParseHighScore, DamagedContentNeverYieldsAnUnbeatableOrUndefinedRecord)
{
    for (const char* text : {"", "   \n", "abc", "-", "- 1 5 2", "nan", "inf", "x-1 5 2", ".5"})
        EXPECT_EQ(parse(text, {0, 0.0}), Record(0, 0.0)) << '"' << text << '"';
    // A time that is not finite is unreadable; the score before it stands.
    for (const char* text : {"-1 5 inf", "-1 5 -inf", "-1 5 infinity", "-1 5 nan", "-1 5 nan(123)",
                             "-1 5 -nan", "-1 5 1e400", "-1 5 -1e400"})
        EXPECT_EQ(parse(text, {0, 0.0}), Record(5, 0.0)) << text;
    // Integers outside int32: the value is unreadable; an out-of-range score
    // is still a whole number, so the time after it is read.
    EXPECT_EQ(parse("-1 99999999999 1"), Record(0, 1.0));
    EXPECT_EQ(parse("-1 2147483648 1"), Record(0, 1.0));
    EXPECT_EQ(parse("-1 -2147483649 1"), Record(0, 1.0));
    EXPECT_EQ(parse("-1 99999999999 1", {17, 1.5}), Record(17, 1.0));
    EXPECT_EQ(parse("99999999999"), Record(0, 0.0));
    EXPECT_EQ(parse("2147483648 -1 5 2"), Record(0, 0.0));
    EXPECT_EQ(parse("-4294967297 5 2"), Record(0, 0.0));
    EXPECT_EQ(parse(std::string(10000, '9')), Record(0, 0.0));
    EXPECT_EQ(parse("-1 " + std::string(10000, '9') + " 2"), Record(0, 2.0));
    // Binary bytes: a NUL is no white space and no digit.
    EXPECT_EQ(parse(std::string("\0\0\x01\xff-1 5 2", 10)), Record(0, 0.0));
    EXPECT_EQ(parse(std::string("-1\0 5 2", 7)), Record(0, 0.0));
    EXPECT_EQ(parse(std::string("-1 5\0 2.5", 9)), Record(5, 0.0));
    EXPECT_EQ(parse(std::string("42\0\xff\xfe", 5)), Record(42, 0.0));
}

TEST(ParseHighScore, AgreesWithSscanfOnRandomText)
{
    // Short texts of signs, digits, points, white space and letters; digit
    // runs are kept short so every integer fits and sscanf is defined.
    const std::string alphabet = " \n\t-+0159.a";
    std::mt19937 random(12345);
    int compared = 0;
    for (int i = 0; i < 50000; ++i) {
        std::string text = random() % 2 ? "-1 " : "";
        const int length = int(random() % 14);
        for (int c = 0; c < length; ++c)
            text += alphabet[random() % alphabet.size()];
        int run = 0;
        bool shortRuns = true;
        for (char c : text) {
            run = (c >= '0' && c <= '9') ? run + 1 : 0;
            shortRuns = shortRuns && run <= 9;
        }
        if (!shortRuns)
            continue;
        ++compared;
        ASSERT_EQ(parse(text, {0, 0.0}), sscanfReference(text)) << '"' << text << '"';
    }
    EXPECT_GT(compared, 40000);
}

TEST(ParseHighScore, RandomPiecesAndBytesGiveAFiniteTime)
{
    // Pieces of records and of damage, glued at random, with stray bytes.
    const std::vector<std::string> pieces = {"-1", " ", "\n", "5", "-", "+", ".", "e", "x", "0x",
                                             "inf", "nan", "1e400", "99999999999", "2.5",
                                             std::string(1, '\0')};
    std::mt19937 random(777);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int count = int(random() % 10);
        for (int p = 0; p < count; ++p)
            text += random() % 4 ? pieces[random() % pieces.size()] : std::string(1, char(random()));
        // Exactly sized, so a sanitizer build sees any read past the end.
        std::vector<char> bytes(text.begin(), text.end());
        bytes.push_back('\0');
        int32_t score = 0;
        double time = 0.0;
        parseHighScore(bytes.data(), score, time);
        ASSERT_TRUE(std::isfinite(time)) << '"' << text << '"';
    }
}

TEST(FormatHighScore, WritesTheCurrentLayoutByteExact)
{
    EXPECT_EQ(format(1234, 12.3456789), "-1 1234 12.3457");
    EXPECT_EQ(format(1234, 0.0), "-1 1234 0");
    EXPECT_EQ(format(1234, 100.5), "-1 1234 100.5");
    EXPECT_EQ(format(0, 0.25), "-1 0 0.25");
    EXPECT_EQ(format(-7, -2.5), "-1 -7 -2.5");
    EXPECT_EQ(format(INT32_MIN, 1e-5), "-1 -2147483648 1e-05");
    EXPECT_EQ(format(INT32_MAX, 1234567.0), "-1 2147483647 1.23457e+06");
    EXPECT_EQ(format(5, 123456.0), "-1 5 123456");
    EXPECT_EQ(format(5, 0.0001), "-1 5 0.0001");
}

TEST(FormatHighScore, MatchesPrintfG)
{
    std::mt19937 random(99);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        const int32_t score = int32_t(random());
        const double time = std::ldexp(mantissa(random), int(random() % 80) - 40);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%d %d %g", RECORD_LAYOUT_MARKER, score, time);
        ASSERT_EQ(format(score, time), expected);
    }
}

TEST(FormatHighScore, TruncatesLikeSnprintf)
{
    char out[8];
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(formatHighScore(out, 5, 1234, 0.0), 9u);
    EXPECT_STREQ(out, "-1 1");
    EXPECT_EQ(out[5], 'z');
    out[0] = 'z';
    EXPECT_EQ(formatHighScore(out, 0, 1234, 0.0), 9u);
    EXPECT_EQ(out[0], 'z');
}

TEST(FormatHighScore, AFullStopWhateverTheProcessLocale)
{
    // A library may switch the process to the player's locale, one that
    // writes and reads a decimal comma: the record keeps its full stop.
    const std::string previous = setlocale(LC_ALL, nullptr);
    if (!setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (tools/deps test makes it)";
    char comma[8];
    std::snprintf(comma, sizeof comma, "%g", 0.5);
    const std::string written = format(7, 0.202);
    const Record read = parse("-1 7 0.202 ");
    setlocale(LC_ALL, previous.c_str());
    ASSERT_STREQ(comma, "0,5");
    EXPECT_EQ(written, "-1 7 0.202");
    EXPECT_EQ(read, Record(7, 0.202));
}

TEST(RaiseRecord, BeatenOnlyByAStrictlyHigherFigure)
{
    int32_t score = 100;
    double time = 2.0;
    EXPECT_FALSE(raiseRecord(100, 2.0, score, time));
    EXPECT_FALSE(raiseRecord(99, 1.0, score, time));
    EXPECT_FALSE(raiseRecord(100, std::nan(""), score, time));
    EXPECT_EQ(score, 100);
    EXPECT_EQ(time, 2.0);

    // A higher time with a lower score keeps the old score.
    EXPECT_TRUE(raiseRecord(50, 3.0, score, time));
    EXPECT_EQ(score, 100);
    EXPECT_EQ(time, 3.0);
    // A higher score with a lower time keeps the old time.
    EXPECT_TRUE(raiseRecord(200, 1.0, score, time));
    EXPECT_EQ(score, 200);
    EXPECT_EQ(time, 3.0);
    EXPECT_TRUE(raiseRecord(201, 3.5, score, time));
    EXPECT_EQ(score, 201);
    EXPECT_EQ(time, 3.5);
    // Once raised, the same figures are no longer a beat.
    EXPECT_FALSE(raiseRecord(201, 3.5, score, time));

    // Stored values below the figures of no run at all are beaten at once.
    score = -7;
    time = 0.0;
    EXPECT_TRUE(raiseRecord(0, 0.0, score, time));
    EXPECT_EQ(score, 0);
    score = 5;
    time = -2.5;
    EXPECT_TRUE(raiseRecord(0, 0.0, score, time));
    EXPECT_EQ(score, 5);
    EXPECT_EQ(time, 0.0);
}

TEST_F(HighScoreFileTest, ReadsTheFileInTheWorkingDirectory)
{
    EXPECT_EQ(readFile("-1 42 3.25"), Record(42, 3.25));
    EXPECT_EQ(readFile("42"), Record(42, 0.0));
    EXPECT_EQ(readFile("-1 5 inf"), Record(5, 0.0));
    EXPECT_EQ(readFile(""), Record(0, 0.0));
    EXPECT_EQ(readFile(std::string("\0\0\0\0", 4)), Record(0, 0.0));
    EXPECT_EQ(readFile("\n\n   -1 7 1.25\n"), Record(7, 1.25));
}

TEST_F(HighScoreFileTest, NoRegularFileKeepsTheValuesGiven)
{
    int32_t score = 17;
    double time = 1.5;
    readHighScoreFile(score, time);
    EXPECT_EQ(Record(score, time), Record(17, 1.5)) << "missing file";

    ASSERT_EQ(mkdir(HIGH_SCORE_FILE, 0755), 0);
    readHighScoreFile(score, time);
    EXPECT_EQ(Record(score, time), Record(17, 1.5)) << "directory";
    ASSERT_EQ(rmdir(HIGH_SCORE_FILE), 0);

    // Opening a FIFO for reading would wait for a writer for ever.
    ASSERT_EQ(mkfifo(HIGH_SCORE_FILE, 0644), 0);
    alarm(10);
    readHighScoreFile(score, time);
    alarm(0);
    EXPECT_EQ(Record(score, time), Record(17, 1.5)) << "FIFO";
    ASSERT_EQ(unlink(HIGH_SCORE_FILE), 0);

    readHighScoreFile(score, time, "no/such/dir/highscore.dat");
    EXPECT_EQ(Record(score, time), Record(17, 1.5)) << "missing directory";
}

TEST_F(HighScoreFileTest, HugeFilesReadOnlyTheirStart)
{
    const size_t limit = HIGH_SCORE_READ_LIMIT;
    // White space within the limit is skipped as usual.
    EXPECT_EQ(readFile(std::string(limit - 20, ' ') + "-1 5 2.5"), Record(5, 2.5));
    // Values past the limit are not read: megabytes are never scanned.
    EXPECT_EQ(readFile(std::string(3 << 20, '\n') + "-1 5 2.5"), Record(0, 0.0));
    // Junk after the record does not matter, however long.
    EXPECT_EQ(readFile("-1 5 2.5 " + std::string(3 << 20, 'x')), Record(5, 2.5));
    EXPECT_EQ(readFile("42" + std::string(3 << 20, '7')), Record(0, 0.0));
    // A number cut by the limit is not read as its front part ("12").
    EXPECT_EQ(readFile(std::string(limit - 5, ' ') + "-1 123456 2.5"), Record(0, 0.0));
    // A value ending exactly at the limit is whole.
    EXPECT_EQ(readFile(std::string(limit - 6, ' ') + "-1 42 2.5"), Record(42, 0.0));
}

TEST_F(HighScoreFileTest, WriteThenReadGivesTheSixDigitRecord)
{
    const mode_t oldMask = umask(022);
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, "42\n"));
    EXPECT_TRUE(writeHighScoreFile(1234, 12.3456789));
    umask(oldMask);
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 1234 12.3457");
    EXPECT_EQ(folderEntries("."), ONLY_THE_RECORD);
    struct stat status;
    ASSERT_EQ(stat(HIGH_SCORE_FILE, &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0644u);

    int32_t score = 0;
    double time = 0.0;
    EXPECT_EQ(readHighScoreFile(score, time), RecordFile::Read);
    EXPECT_EQ(score, 1234);
    EXPECT_EQ(time, 12.3457);

    // A temporary file left by a game killed mid-save is removed; names that
    // only look like one stay, and none stops the save, not even folders in
    // this game's own next names.
    const std::string temp = std::string(HIGH_SCORE_FILE) + ".tmp.";
    ASSERT_TRUE(writeRaw(temp + "99999.0", "-1 999999 999"));
    Names strays = {HIGH_SCORE_FILE, std::string(HIGH_SCORE_FILE) + ".tmp", temp + "1.2.3", temp + "7."};
    for (int n = 0; n < 64; ++n)
        strays.push_back(temp + std::to_string(getpid()) + "." + std::to_string(n));
    for (size_t i = 1; i < strays.size(); ++i)
        ASSERT_TRUE(i < 4 ? writeRaw(strays[i], "stray") : mkdir(strays[i].c_str(), 0755) == 0);
    std::sort(strays.begin(), strays.end());
    EXPECT_TRUE(writeHighScoreFile(1300, 13.0));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 1300 13");
    EXPECT_EQ(folderEntries("."), strays);

    // An explicit path is written next to itself.
    ASSERT_EQ(mkdir("sub", 0755), 0);
    EXPECT_TRUE(writeHighScoreFile(-7, 100.5, "sub/record"));
    EXPECT_EQ(readRaw("sub/record"), "-1 -7 100.5");
    EXPECT_EQ(folderEntries("sub"), Names{"record"});
}

TEST_F(HighScoreFileTest, SaveKeepsTheBetterOfEachFigureOnDisk)
{
    // Another game saved meanwhile: its better score stays, our better time
    // goes in.
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, "-1 500 1.5"));
    EXPECT_TRUE(writeHighScoreFile(400, 2.25));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 500 2.25");
    EXPECT_TRUE(writeHighScoreFile(0, 0.0));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 500 2.25");
    // The older layout holds a score only; what cannot be read on disk
    // counts for nothing, so a damaged file gives way to the game's record.
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, "900"));
    EXPECT_TRUE(writeHighScoreFile(400, 2.25));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 900 2.25");
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, "-1 x 99"));
    EXPECT_TRUE(writeHighScoreFile(-3, 0.5));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 -3 0.5");
}

TEST_F(HighScoreFileTest, LinksAreFollowedToTheFileTheyNameAndUnreadableRecordsKept)
{
    // A link, relative to its own folder, through a second link: the file at
    // the end is replaced, the links stay links.
    ASSERT_EQ(mkdir("real", 0755), 0);
    ASSERT_TRUE(writeRaw("real/record", "-1 10 1"));
    ASSERT_EQ(symlink("record", "real/link"), 0);
    ASSERT_EQ(symlink("real/link", HIGH_SCORE_FILE), 0);
    int32_t score = 0;
    double time = 0.0;
    EXPECT_EQ(readHighScoreFile(score, time), RecordFile::Read);
    EXPECT_EQ(Record(score, time), Record(10, 1.0));
    EXPECT_TRUE(writeHighScoreFile(20, 2.0));
    EXPECT_EQ(readRaw("real/record"), "-1 20 2");
    EXPECT_TRUE(fs::is_symlink(HIGH_SCORE_FILE));
    EXPECT_TRUE(fs::is_symlink("real/link"));
    EXPECT_EQ(folderEntries("real"), (Names{"link", "record"}));
    // A link to a file not there yet: the save makes it there.
    ASSERT_EQ(symlink("real/new", "dangling"), 0);
    EXPECT_TRUE(writeHighScoreFile(3, 0.5, "dangling"));
    EXPECT_EQ(readRaw("real/new"), "-1 3 0.5");
    EXPECT_TRUE(fs::is_symlink("dangling"));

    // Records that are there but cannot be read are never replaced: a loop
    // of links, a FIFO, a device, a folder, a file without read permission.
    ASSERT_EQ(symlink("loop", "loop"), 0);
    ASSERT_EQ(mkfifo("fifo", 0644), 0);
    ASSERT_EQ(symlink("/dev/null", "null"), 0);
    ASSERT_EQ(mkdir("folder", 0755), 0);
    for (const char* name : {"loop", "fifo", "null", "folder"}) {
        score = 5;
        EXPECT_EQ(readHighScoreFile(score, time, name), RecordFile::Unreadable) << name;
        EXPECT_EQ(score, 5);
        EXPECT_FALSE(writeHighScoreFile(99, 9.0, name)) << name;
    }
    EXPECT_TRUE(fs::is_fifo("fifo"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    EXPECT_TRUE(fs::is_empty("folder"));

    ASSERT_TRUE(writeRaw("locked", "-1 42 3.5"));
    ASSERT_EQ(chmod("locked", 0), 0);
    ASSERT_TRUE(overridePermissions(false));
    score = 0;
    const RecordFile found = readHighScoreFile(score, time, "locked");
    const bool saved = writeHighScoreFile(99, 9.0, "locked");
    ASSERT_TRUE(overridePermissions(true));
    EXPECT_EQ(found, RecordFile::Unreadable);
    EXPECT_EQ(score, 0);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readRaw("locked"), "-1 42 3.5");

    EXPECT_EQ(folderEntries("."),
              (Names{"dangling", "fifo", "folder", HIGH_SCORE_FILE, "locked", "loop", "null", "real"}));
    EXPECT_EQ(readHighScoreFile(score, time, "missing"), RecordFile::Missing);
}

TEST_F(HighScoreFileTest, FailedWriteLeavesTheOldFileIntact)
{
    const std::string old = "-1 100 2.5\n";
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, old));

    // No room for a single byte (tests run as root, so permission bits would
    // not stop the write). Done in a child so the limit stays there.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit none{0, 0};
        if (setrlimit(RLIMIT_FSIZE, &none) != 0)
            _exit(2);
        _exit(writeHighScoreFile(999, 9.5) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write claimed success; 2: no limit";
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), old);
    EXPECT_EQ(folderEntries("."), ONLY_THE_RECORD);

    // The record's own name is a directory: it is not replaced.
    ASSERT_EQ(mkdir("dir.dat", 0755), 0);
    EXPECT_FALSE(writeHighScoreFile(999, 9.5, "dir.dat"));
    EXPECT_TRUE(fs::is_directory("dir.dat"));
    EXPECT_TRUE(fs::is_empty("dir.dat"));

    EXPECT_FALSE(writeHighScoreFile(999, 9.5, "no/such/dir/highscore.dat"));
    EXPECT_FALSE(fs::exists("no"));

    // The record file survives all of it and is rewritten once possible.
    EXPECT_EQ(folderEntries("."), (Names{"dir.dat", HIGH_SCORE_FILE}));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), old);
    EXPECT_TRUE(writeHighScoreFile(999, 9.5));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 999 9.5");
}

TEST_F(HighScoreFileTest, UpdateRecordWritesOnceWhenARunBeatsTheRecord)
{
    int32_t score = 0;
    double time = 0.0;
    // Before any run the figures are 0 and 0.0: no write over a record that
    // is at least that.
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, "42"));
    readHighScoreFile(score, time);
    updateRecord(0, 0.0, score, time);
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "42");

    // The older layout is rewritten in the current one on the first beat.
    updateRecord(10, 1.5, score, time);
    EXPECT_EQ(Record(score, time), Record(42, 1.5));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 42 1.5");

    // The next title-screen frames find the same figures: nothing is written.
    ASSERT_EQ(unlink(HIGH_SCORE_FILE), 0);
    updateRecord(10, 1.5, score, time);
    updateRecord(10, 1.5, score, time);
    EXPECT_FALSE(fs::exists(HIGH_SCORE_FILE));

    updateRecord(50, 1.0, score, time);
    EXPECT_EQ(Record(score, time), Record(50, 1.5));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 50 1.5");
}

TEST_F(HighScoreFileTest, NegativeStoredRecordIsRewrittenAtOnce)
{
    int32_t score = 0;
    double time = 0.0;
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, "-7"));
    readHighScoreFile(score, time);
    updateRecord(0, 0.0, score, time);
    EXPECT_EQ(Record(score, time), Record(0, 0.0));
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 0 0");

    score = 0;
    time = 0.0;
    ASSERT_TRUE(writeRaw(HIGH_SCORE_FILE, "-1 5 -2.5"));
    readHighScoreFile(score, time);
    EXPECT_EQ(time, -2.5);
    updateRecord(0, 0.0, score, time);
    EXPECT_EQ(readRaw(HIGH_SCORE_FILE), "-1 5 0");
}

TEST_F(HighScoreFileTest, UnwritableRecordStaysRaisedInMemory)
{
    int32_t score = 3;
    double time = 1.0;
    updateRecord(8, 0.5, score, time, "no/such/dir/highscore.dat");
    EXPECT_EQ(Record(score, time), Record(8, 1.0));
    EXPECT_FALSE(fs::exists("no"));
    // Nowhere to keep it at all: raised just the same.
    updateRecord(9, 2.0, score, time, nullptr);
    EXPECT_EQ(Record(score, time), Record(9, 2.0));
    EXPECT_FALSE(fs::exists(HIGH_SCORE_FILE));
}
