#pragma once
// Reader of 16-bit stereo RIFF WAVE files for the MP3 converter: finds the format and the sample
// data and hands the data out one fixed-size buffer per Read, bytes as they stand in the file.
//
// Sizes and positions are counted in frames of 4 bytes (one left and one right 16-bit sample),
// except BufferStartPosition, counted in bytes. Errors are NumberedError 29671 to 29679 with the
// source "tavilune.cWavePlayer". One thread at a time.
#include "common/WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>


class cWavReader {
public:
    static constexpr int32_t kDefaultReadBufferBytes = 131072;
    static constexpr int kFormatAreaSize = 50;

    cWavReader() = default;
    ~cWavReader();
    cWavReader(const cWavReader &) = delete;
    cWavReader &operator=(const cWavReader &) = delete;

    // Opens the file; the path is kept only when the file opened. Errors of OpenFile pass on.
    void SetFilename(const std::string &path);
    const std::string &Filename() const { return m_filename; }

    // True when the file is open and ready for reading; false, without error, for an empty path.
    bool OpenFile(const std::string &path);
    void CloseFile();
    bool IsOpen() const { return m_fd >= 0; }

    // Fills the buffer with the next piece of the data: true when a full buffer was read and more
    // follows, false for the last piece or when nothing was left.
    bool Read();

    int32_t ReadBufferSize() const { return m_readBufferBytes / 4; }
    // Frames per Read; refused (error 9) while a file is open. Sizes below one frame or above
    // 64 Mi frames are ignored.
    void SetReadBufferSize(int32_t frames);
    int32_t ReadSize() const { return int32_t(m_lastReadBytes / 4); }
    // Interleaved little-endian 16-bit samples as in the file; null while no file is open.
    const int16_t *ReadBufferPtr() const { return m_buffer.get(); }
    int32_t AudioLength() const { return int32_t(m_dataLength / 4); }
    int64_t BufferStartPosition() const { return m_position - m_dataStart; }
    void SeekAbsolute(int32_t frame);
    void SeekRelative(int32_t offset);

    const WaveFormat &Format() const { return m_format; }

private:
    struct Chunk {
        uint32_t id = 0;
        uint32_t size = 0;
        int64_t dataStart = 0;
    };
    bool findChunk(uint32_t id, uint32_t formType, int64_t from, int64_t end, Chunk &found) const;
    [[noreturn]] void fail(int code);

    std::string m_filename;
    int m_fd = -1;
    int64_t m_fileSize = 0;
    int64_t m_position = 0;   // file position of the next read
    int64_t m_dataStart = 0;
    int64_t m_dataLength = 0; // the data chunk's size, cut to what the file holds
    int32_t m_readBufferBytes = kDefaultReadBufferBytes;
    int64_t m_lastReadBytes = 0;
    std::unique_ptr<int16_t[]> m_buffer;
    WaveFormat m_format;
};
