// The record kept across runs: best score and best split time, and the
// "highscore.dat" file that holds them.
#pragma once

#include <cstddef>
#include <cstdint>

// First value of the current file layout: "-1 <best score> <best time>".
// Any other first integer is a best score in the older one-number layout.
const int RECORD_LAYOUT_MARKER = -1;

// The record file's name, relative to the working directory.
extern const char* const HIGH_SCORE_FILE;

// Only this many leading bytes of the file are read: a record is a few dozen
// bytes, so anything longer is damaged and reading all of it is pointless. A
// number cut off by the limit is left unread rather than read as its front.
const size_t HIGH_SCORE_READ_LIMIT = 4096;

// Parses a record's text, which ends at its first NUL. Reads like fscanf
// "%d", then, only when that was RECORD_LAYOUT_MARKER, "%d" and "%lf" (the
// number as strtod reads it in the C locale). A value that cannot be read
// leaves its variable as it was and ends the reading. An integer outside
// int32 is unreadable (a best score that is out of range is skipped and the
// time is still read); a time that is not finite is unreadable. Times are in
// seconds.
void parseHighScore(const char* text, int32_t& bestScore, double& bestTime);

// Writes the current layout, e.g. "-1 1234 12.3457": the score in decimal,
// the time in seconds as printf "%g" (six significant digits, always a full
// stop as the decimal point), no newline. Like snprintf: returns the length
// of the whole text and writes at most size bytes, NUL included.
size_t formatHighScore(char* out, size_t size, int32_t bestScore, double bestTime);

// What reading the record file found.
enum class RecordFile {
    Missing,     // no file of that name: the first save creates it
    Read,        // a regular file, read as far as it holds a record
    Unreadable,  // there, but not a regular file or not readable: never replaced
};

// Fills the record from the file at path as far as it can be read; a file
// that is missing, not a regular file or unreadable leaves both values as
// they were (call with 0 and 0.0). Never blocks, not even on a FIFO.
// Reports nothing.
RecordFile readHighScoreFile(int32_t& bestScore, double& bestTime, const char* path = HIGH_SCORE_FILE);

// Replaces the file at path (or the file its symbolic links lead to) with the
// current layout so that a crash at any moment leaves either the old record
// or the new one. Under an advisory lock on the file's folder, shared by
// every game saving there, it re-reads the record and writes the better of
// each figure, so that two games in one folder keep the best of both: a
// temporary file of its own in that folder, fsynced, renamed over the file,
// then committed by the platform (commitRecordFolder). A file that is
// there but cannot be read is left alone. True when the record on disk is
// now at least the given one; on false the old file is untouched and no
// temporary file is left behind. Reports nothing.
bool writeHighScoreFile(int32_t bestScore, double bestTime, const char* path = HIGH_SCORE_FILE);

// Compares a run's figures (score, longest split in seconds) with the record.
// Beaten when runScore > bestScore, or else runTime > bestTime; then each
// value is raised separately, only when the run's figure is greater.
// Returns whether the record was beaten.
bool raiseRecord(int32_t runScore, double runTime, int32_t& bestScore, double& bestTime);

// Called at the start of every title-screen frame with the last run's
// figures: raises the record and writes the file when it was beaten. The
// figures do not change between runs, so this writes at most once per run.
// A failed write is not retried until a later run beats the record again.
// A null path only raises the record.
void updateRecord(int32_t runScore, double runTime, int32_t& bestScore, double& bestTime,
                  const char* path = HIGH_SCORE_FILE);
