// Files for the tests: scratch folders under TMPDIR, and whole files read
// and written as they are, bytes and all.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// An empty folder, made in parent (TMPDIR's folder unless given) with name
// as its prefix, and removed with everything in it when this goes.
struct ScratchDir {
    explicit ScratchDir(const std::string& name,
                        const std::filesystem::path& parent = std::filesystem::temp_directory_path());
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Makes the folder the working directory until this goes: for code that
    // works on "highscore.dat" in the working directory, as the game does.
    void enter();

    std::filesystem::path path;
    std::filesystem::path left;  // the working directory that enter() left
};

// The file's whole content, or nothing when it cannot be read.
std::optional<std::string> readRaw(const std::string& path);
// Replaces the file's content; false when that failed.
bool writeRaw(const std::string& path, const std::string& content);
