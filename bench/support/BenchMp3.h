#pragma once
// Shared by the MP3 benchmarks: a generated minute of music-like stereo sound, process and child
// processor times, and one run of the reference command-line encoder.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <ctime>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

extern char **environ;

namespace benchmp3 {

// A minute of music-like sound: a slow chord progression of harmonic tones with note envelopes,
// a little noise and a beat, different on the two channels.
inline void writeSource(const std::string &path)
{
    const uint32_t rate = 44100, frames = rate * 60;
    std::vector<int16_t> pcm(size_t(frames) * 2);
    std::mt19937 gen(42);
    std::normal_distribution<double> noise(0, 1);
    const double roots[] = {220.0, 174.61, 261.63, 196.0};
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const int bar = int(t / 2) % 4;
        const double beat = std::fmod(t, 0.5);
        const double env = std::exp(-3 * beat);
        double l = 0, r = 0;
        for (int n = 0; n < 3; ++n) {
            const double f = roots[bar] * std::pow(2.0, (n == 0 ? 0 : n == 1 ? 4 : 7) / 12.0);
            for (int h = 1; h <= 5; ++h) {
                const double s = std::sin(2 * std::numbers::pi * f * h * t) / h;
                l += s * (n == 2 ? 0.5 : 1.0);
                r += s * (n == 0 ? 0.5 : 1.0);
            }
        }
        const double hat = beat < 0.03 ? noise(gen) * 0.6 : noise(gen) * 0.02;
        pcm[2 * size_t(i)] = int16_t(std::lround(2500 * env * l + 4000 * hat));
        pcm[2 * size_t(i) + 1] = int16_t(std::lround(2500 * env * r + 4000 * hat));
    }
    auto u32 = [](std::ofstream &o, uint32_t v) { o.write(reinterpret_cast<const char *>(&v), 4); };
    auto u16 = [](std::ofstream &o, uint16_t v) { o.write(reinterpret_cast<const char *>(&v), 2); };
    std::ofstream o(path, std::ios::binary);
    const uint32_t bytes = frames * 4;
    o.write("RIFF", 4);
    u32(o, 36 + bytes);
    o.write("WAVEfmt ", 8);
    u32(o, 16);
    u16(o, 1);
    u16(o, 2);
    u32(o, rate);
    u32(o, rate * 4);
    u16(o, 4);
    u16(o, 16);
    o.write("data", 4);
    u32(o, bytes);
    o.write(reinterpret_cast<const char *>(pcm.data()), std::streamsize(bytes));
}

struct Times {
    double cpu = 0, wall = 0;
};

inline double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline double processCpu()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// NaN times when the command fails.
inline Times runLame(const std::vector<std::string> &lameArgs, const std::string &wav, const std::string &out)
{
    std::filesystem::remove(out);
    std::vector<std::string> args{"lame", "--quiet"};
    args.insert(args.end(), lameArgs.begin(), lameArgs.end());
    args.push_back(wav);
    args.push_back(out);
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    rusage usage{};
    if (posix_spawnp(&pid, "lame", nullptr, nullptr, argv.data(), environ) != 0 ||
        wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    const double wall = seconds(start);
    auto tv = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return {tv(usage.ru_utime) + tv(usage.ru_stime), wall};
}

} // namespace benchmp3
