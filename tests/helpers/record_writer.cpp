// The victim of the kill-safe save test: keeps raising the record and saving
// it with the game's own writer until it is killed.
//
// Usage: record_writer PATH...
// Starts from the best score in the record files (as the game reads its
// record at start-up), then for ever: score + 1, time score / 2 s, written to
// every PATH in turn. The time follows from the score so that a record mixed
// from two writes shows. Standard output gets the score, 4 bytes in host
// order, once at the start (the lowest score found) and after each round
// whose writes all succeeded: each is a score every file holds at least.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "app/HighScore.h"

namespace {

bool report(int32_t score)
{
    const char* data = reinterpret_cast<const char*>(&score);
    size_t left = sizeof score;
    while (left > 0) {
        const ssize_t put = write(STDOUT_FILENO, data, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        left -= size_t(put);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH...\n", argv[0]);
        return 2;
    }
    // A kill between two files' writes leaves them one apart.
    int32_t score = 0;
    int32_t lowest = INT32_MAX;
    for (int i = 1; i < argc; ++i) {
        int32_t stored = 0;
        double time = 0.0;
        readHighScoreFile(stored, time, argv[i]);
        if (stored > score)
            score = stored;
        if (stored < lowest)
            lowest = stored;
    }
    if (!report(lowest))
        return 3;
    for (;;) {
        ++score;
        for (int i = 1; i < argc; ++i) {
            if (!writeHighScoreFile(score, score / 2.0, argv[i])) {
                std::fprintf(stderr, "record_writer: writing %s failed\n", argv[i]);
                return 1;
            }
        }
        if (!report(score))
            return 3;
    }
}
