#pragma once
// Helpers of the WAV encoder tests: a temporary folder, test signals, file reading and running
// the independent readers (python's wave module, sox).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace wavtest {

struct TempDir {
    std::filesystem::path path;
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tavwav-XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        path = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string &name) const { return (path / name).string(); }
};

inline std::vector<uint8_t> ReadFile(const std::string &name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline uint32_t U32At(const std::vector<uint8_t> &b, size_t at)
{
    return uint32_t(b.at(at)) | (uint32_t(b.at(at + 1)) << 8) | (uint32_t(b.at(at + 2)) << 16) |
           (uint32_t(b.at(at + 3)) << 24);
}

inline std::string TagAt(const std::vector<uint8_t> &b, size_t at)
{
    return at + 4 <= b.size() ? std::string(b.begin() + long(at), b.begin() + long(at) + 4) : "";
}

// Interleaved 16-bit samples: channel c is a sine of freqs[c] Hz at amplitude amp (0..1).
inline std::vector<int16_t> Sine(int rate, double seconds, std::vector<double> freqs, double amp)
{
    const size_t frames = size_t(std::lround(rate * seconds));
    const size_t ch = freqs.size();
    std::vector<int16_t> s(frames * ch);
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < ch; ++c)
            s[i * ch + c] = int16_t(std::lround(amp * 32767.0 *
                                                std::sin(2 * M_PI * freqs[c] * double(i) / rate)));
    return s;
}

// Runs a shell command; its standard output, or "<exit N>" on failure.
inline std::string Run(const std::string &cmd)
{
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return "<popen failed>";
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = pclose(p);
    if (status != 0)
        out += "<exit " + std::to_string(status) + ">";
    return out;
}

inline std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

inline std::string Quote(const std::string &s) { return "'" + s + "'"; }

} // namespace wavtest
