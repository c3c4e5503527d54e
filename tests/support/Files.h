// Files for the tests: scratch folders under TMPDIR, and whole files read
// and written as they are, bytes and all.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include <algorithm>

// An empty folder, made in parent (TMPDIR's folder unless given) with name
// in its own, and removed with everything in it when this goes.
struct ScratchDir {
    explicit ScratchDir(const std::string& name,
                        const std::filesystem::path& parent = std::filesystem::temp_directory_path())
    {
        std::string pattern = (parent / ("vlim-" + name + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp in " + parent.string() + ": " + std::strerror(errno));
        path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!left.empty())
            std::filesystem::current_path(left, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The folder is the working directory until this goes: for code that
    // works on "highscore.dat" in the working directory, as the game does.
    void enter()
    {
        left = std::filesystem::current_path();
        std::filesystem::current_path(path);
    }

    std::filesystem::path path;
    std::filesystem::path left;  // the working directory that enter() left
};

// The file's whole content, or nothing when it cannot be read.
inline std::optional<std::string> readRaw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's content; false when that failed.
inline bool writeRaw(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return out.good();
}

// The names in the folder, sorted.
inline std::vector<std::string> folderEntries(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
