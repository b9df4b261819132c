#pragma once
// Live pause and rewind: the arithmetic of the back buffer the player keeps of a live stream
// (mpv's demuxer cache), on its own so that it can be tested without a player. QtCore only.
//
// Times are the player's playback times in seconds (0 at the start of the connection). The
// buffer runs from `start` to `end` (what has been received); `position` is what is heard.
// While listening live the player stays `lead` seconds behind `end` (the burst a station sends
// first, read ahead): that point is "live", and the delay is counted from it.
#include <QtGlobal>

namespace timeshift {

// Minutes of a stream the buffer may keep ("DureeDiffere"); 0 turns the buffer off.
inline constexpr int MaxMinutes = 120;
// Bounds of the cache size, whatever the stream's bit rate.
inline constexpr qint64 MinBufferBytes = 1024 * 1024;
inline constexpr qint64 MaxBufferBytes = qint64(1024) * 1024 * 1024;
// What the player counts for a second of a stream before it can be measured: generous (a
// 320 kbit/s stream with the player's bookkeeping of each packet).
inline constexpr double ProvisionalBytesPerSecond = 96.0 * 1024;
// A buffer shorter than this is too short to measure the stream's rate from.
inline constexpr double MinMeasuredSeconds = 5.0;
// A delay below this is live (the lead moves a little with the network).
inline constexpr double LiveTolerance = 1.0;
// Seeks stop this far inside the start of the buffer: its first packets may be dropped by the
// time the seek is made.
inline constexpr double StartMargin = 0.5;

struct Window {
    double start = 0;     // oldest time kept
    double end = 0;       // newest time received
    double position = -1; // what is heard; negative when unknown
    double lead = 0;      // how far behind end live listening plays
};

// The cache size that keeps `minutes` of a stream that the player counts at bytesPerSecond
// (a non-positive rate counts as ProvisionalBytesPerSecond); within [MinBufferBytes,
// MaxBufferBytes]. 0 minutes: 0 (no buffer).
qint64 BufferBytes(int minutes, double bytesPerSecond);

// The bytes a second of the stream takes in the player's cache, from what it holds now: 0 when
// the buffer is shorter than MinMeasuredSeconds or holds nothing.
double CountedRate(qint64 totalBytes, double start, double end);

// The live point: end - lead, not before start.
double LivePoint(const Window &w);
// Seconds behind live (0 when live or ahead, or when the position is unknown).
double Delay(const Window &w);
// Seconds that can be heard again behind the position (0 when unknown).
double Behind(const Window &w);
// Where a seek to `wanted` goes: within [start + StartMargin, LivePoint] (the live point when the
// buffer is shorter than the margin).
double SeekTarget(const Window &w, double wanted);

// The last `seconds` heard: up to the live end when listening live, else up to the position;
// from no earlier than start. Empty (end <= start) when nothing is kept.
struct Range {
    double start = 0;
    double end = 0;
    double length() const { return end - start; }
};
Range KeepRange(const Window &w, double seconds);

} // namespace timeshift
