// The run's figures: its score and longest split, plus the split in progress.
// Durations are processor time, not wall-clock time: the frame loop's sleeps
// do not count.
#pragma once

#include <cstdint>
#include <ctime>

const double PROCESSOR_TICKS_PER_SECOND = 1000000.0;
const double SPLIT_SCORE_DIVISOR = 500.0;  // a banked split gains points * seconds / 500

struct RunClock {
    int32_t score;               // sum of the splits banked since the run began
    int32_t splitPoints;         // points of the split in progress
    clock_t splitStart;          // processor clock when that split began
    double longestSplitSeconds;  // longest banked split of the run, seconds

    RunClock() { reset(); }
    // Zeroes all four figures: the start of a run.
    void reset();
    // A band has just been split: the new split starts with no points.
    void startSplit();
    // One frame's points for the split in progress; saturates at the int32
    // limits instead of wrapping.
    void addSplitPoints(int32_t points);
    // bank true (the halves merged): the score becomes the new total
    // trunc(score + points * seconds / 500), formed in double and saturating
    // at the int32 limits, and the longest split may rise. bank false (a half
    // was lost): the split's points are dropped.
    void endSplit(bool bank);
};
