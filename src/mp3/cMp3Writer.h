#pragma once
// Output side of an MP3 conversion: one buffer that the engine fills and one file to which the
// filled part of the buffer is appended after every engine call.
//
// Errors are NumberedError 29871 to 29875 with the source "tavilune." and the failing operation.
// One thread at a time.
#include <cstdint>
#include <memory>
#include <string>

class cMp3Writer {
public:
    static constexpr int32_t kDefaultBufferSize = 8192;

    cMp3Writer() = default;
    ~cMp3Writer();
    cMp3Writer(const cMp3Writer &) = delete;
    cMp3Writer &operator=(const cMp3Writer &) = delete;

    // Replaces the buffer with a new zero-filled one of that many bytes.
    void SetBufferSize(int32_t bytes);
    int32_t BufferSize() const { return m_bufferSize; }
    uint8_t *BufferPointer() const { return m_buffer.get(); }

    enum class Open {
        Truncate, // a file of that name is emptied
        NewOnly,  // the file is created; any file or link of that name is an error
    };
    // Closes the current file, then opens this one for writing. A link at that name is never
    // followed: opening it is an error.
    void SetFilename(const std::string &path, Open mode = Open::Truncate);
    const std::string &Filename() const { return m_filename; }

    // Appends the first `bytes` bytes of the buffer to the file; returns the count written.
    int32_t WriteBufferToFile(int32_t bytes);
    // Writes the first `bytes` bytes of the buffer over the start of the file (the stream's
    // leading info frame, known only once the stream is finished); appending goes on at the end.
    void RewriteFileStart(int32_t bytes);
    void CloseFile();

private:
    void allocateBuffer(int32_t bytes);
    void checkWrite(int32_t bytes, const char *operation) const;

    std::string m_filename;
    int32_t m_bufferSize = kDefaultBufferSize;
    std::unique_ptr<uint8_t[]> m_buffer;
    int m_fd = -1;
};
