// libFuzzer target for the record file's reader and writer text. Any bytes
// are a possible "highscore.dat" (a damaged card, a stray editor, a flat
// battery mid-write): reading them must be defined, give a finite best time,
// agree with the C library's own reading, and whatever record comes out must
// survive being written and read back. A violated invariant aborts, so
// libFuzzer keeps the input that did it.
#include "app/HighScore.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Platform.h"

// The record module's save ends with the platform's commit; the fuzzer saves
// nothing, so its platform commits nothing.
void commitRecordFolder() {}

namespace {

struct Record {
    int32_t score;
    double time;  // seconds

    bool operator==(const Record& other) const
    {
        return score == other.score && time == other.time;
    }
};

[[noreturn]] void fail(const char* what, const Record& got, const Record& want)
{
    std::fprintf(stderr, "high_score_fuzz: %s: got %d %.17g, want %d %.17g\n", what, got.score,
                 got.time, want.score, want.time);
    std::abort();
}

#define CHECK(condition, ...)                                             \
    do {                                                                  \
        if (!(condition)) {                                               \
            std::fprintf(stderr, "high_score_fuzz: " __VA_ARGS__);        \
            std::fprintf(stderr, "\n");                                   \
            std::abort();                                                 \
        }                                                                 \
    } while (0)

// As the file reader hands it over: the bytes, ended by a NUL.
Record parse(const char* data, size_t length, Record start)
{
    const std::string text(data, length);
    parseHighScore(text.c_str(), start.score, start.time);
    return start;
}

bool fitsInt32(long long value)
{
    return value >= INT32_MIN && value <= INT32_MAX;
}

// The designed reading ("%d", then "%d" and "%lf" after the marker) done by
// strtoll and strtod on the text up to its first NUL, which no number can
// cross. The process runs in the C locale. Out-of-range integers and times
// that are not finite count as unreadable, as the record file demands.
Record reference(const std::string& text, Record start)
{
    const char* p = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long first = std::strtoll(p, &end, 10);
    if (end == p || errno == ERANGE || !fitsInt32(first))
        return start;
    if (first != RECORD_LAYOUT_MARKER)
        return {int32_t(first), start.time};
    p = end;
    errno = 0;
    const long long score = std::strtoll(p, &end, 10);
    if (end == p)
        return start;
    // An out-of-range score is skipped; the time after it is still read.
    if (errno != ERANGE && fitsInt32(score))
        start.score = int32_t(score);
    p = end;
    const double time = std::strtod(p, &end);
    if (end != p && std::isfinite(time))
        start.time = time;
    return start;
}

// What the writer puts in the file for a record, checked against printf.
std::string format(const Record& record)
{
    char text[64];
    const size_t length = formatHighScore(text, sizeof text, record.score, record.time);
    CHECK(length < sizeof text && std::strlen(text) == length, "format length %zu", length);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%d %d %g", RECORD_LAYOUT_MARKER, record.score,
                  record.time);
    CHECK(std::strcmp(text, expected) == 0, "format gave \"%s\", printf \"%s\"", text, expected);
    return std::string(text, length);
}

// Writing a record and reading it back gives the record at six significant
// digits; writing that again gives the same bytes.
void checkRoundTrip(const Record& record)
{
    const std::string written = format(record);
    // Start from values no file here holds, so a value left unread shows.
    const Record start{-123456789, -0.125};
    const Record back = parse(written.data(), written.size(), start);
    if (std::isfinite(record.time)) {
        char sixDigits[32];
        std::snprintf(sixDigits, sizeof sixDigits, "%g", record.time);
        const Record want{record.score, std::strtod(sixDigits, nullptr)};
        if (!(back == want))
            fail(("round trip of \"" + written + "\"").c_str(), back, want);
        CHECK(format(back) == written, "rewriting \"%s\" changed it", written.c_str());
    } else {
        // Never written by the game, but if it were, reading it must not
        // bring an unbeatable time back.
        const Record want{record.score, start.time};
        if (!(back == want))
            fail(("reading back \"" + written + "\"").c_str(), back, want);
    }
}

// A caller's buffer of any size gets a NUL-terminated front of the text and
// nothing past its end (an exact-size heap buffer, so ASan sees overruns).
void checkTruncation(const Record& record, size_t size)
{
    const std::string whole = format(record);
    std::vector<char> buffer(size + 1, 'z');
    const size_t length = formatHighScore(buffer.data(), size, record.score, record.time);
    CHECK(length == whole.size(), "size %zu: length %zu, want %zu", size, length, whole.size());
    CHECK(buffer[size] == 'z', "size %zu: byte past the buffer written", size);
    if (size == 0)
        return;
    const size_t kept = length < size ? length : size - 1;
    CHECK(std::memcmp(buffer.data(), whole.data(), kept) == 0 && buffer[kept] == '\0',
          "size %zu: not the front of \"%s\"", size, whole.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    // An exact copy on the heap: the reader must not look past its length.
    std::vector<char> copy(bytes, bytes + size);
    const char* data = copy.data();
    const std::string cString(data, size);  // c_str() stops at the first NUL

    // As at start-up: the defaults, then whatever the file gives.
    const Record fromDefaults = parse(data, size, {0, 0.0});
    CHECK(std::isfinite(fromDefaults.time), "best time %g is not finite", fromDefaults.time);
    const Record want = reference(cString, {0, 0.0});
    if (!(fromDefaults == want))
        fail("reading from 0 and 0.0", fromDefaults, want);

    // Values the file does not give keep the ones passed in.
    const Record given{17, 1.5};
    const Record fromGiven = parse(data, size, given);
    const Record wantGiven = reference(cString, given);
    if (!(fromGiven == wantGiven))
        fail("reading from 17 and 1.5", fromGiven, wantGiven);

    checkRoundTrip(fromDefaults);
    checkTruncation(fromDefaults, size > 0 ? size_t(bytes[0]) % 40 : 0);

    // The first twelve bytes as a raw score and time: subnormals, huge
    // values, negative zero and the int32 limits reach the writer too.
    if (size >= sizeof(int32_t) + sizeof(double)) {
        Record raw;
        std::memcpy(&raw.score, bytes, sizeof raw.score);
        std::memcpy(&raw.time, bytes + sizeof raw.score, sizeof raw.time);
        checkRoundTrip(raw);
    }
    return 0;
}
