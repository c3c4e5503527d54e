#include "tests/support/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

ScratchDir::ScratchDir(const std::string& name, const fs::path& parent)
{
    std::string pattern = (parent / ("vlim-" + name + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp in " + parent.string() + ": " + std::strerror(errno));
    path = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    if (!left.empty())
        fs::current_path(left, ignored);
    fs::remove_all(path, ignored);
}

void ScratchDir::enter()
{
    left = fs::current_path();
    fs::current_path(path);
}

std::optional<std::string> readRaw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeRaw(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return out.good();
}
