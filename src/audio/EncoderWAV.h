#pragma once
// EncoderWAV: writes a recording to a RIFF/WAVE file. The input is always 16-bit PCM at the
// recording's rate and channel count; the output format is any format the FormatConverter can
// convert it into (default PCM 44100 Hz, 16 bits, stereo).
//
// File layout (W = output format length, 18 + its extra bytes):
//   "RIFF", file size - 8, "WAVE", "fmt ", W, the format record, "data", data size, sound data.
// No other chunk and no pad byte. The header is reserved as zeros at init and written at close;
// with WriteHeader false the file holds the sound data alone.
//
// Thread contract: none; every call comes from the one thread that owns the object.
#include "FormatConverter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the format chooser window implements: it shows the formats (grouped by FormatTag,
// described by FormatID) under the title and returns the index of the one the user picked, or
// nothing when the user cancelled.
class FormatChooser {
public:
    virtual ~FormatChooser() = default;
    virtual std::optional<size_t> ChooseFormat(const std::vector<WaveFormatChoice> &formats,
                                               const std::string &title) = 0;
};

class EncoderWAV {
public:
    // The result codes of the encoder's operations (their values are those callers have always
    // received, so they stay as they are).
    enum Result : long {
        Ok = 0,
        NoFile = 2,         // no output file
        BadFormat = 7,      // invalid input format, or no conversion into the output format
        TooLong = 8,        // a buffer longer than one second of input
        ConvertFailed = 9,  // the conversion failed; nothing consumed
        WriteFailed = 10,   // fewer bytes written than produced (disk full or write error)
        NotChosen = 11,     // the format chooser was cancelled or failed
    };

    EncoderWAV();
    ~EncoderWAV(); // closes the file still open, completing its header
    EncoderWAV(const EncoderWAV &) = delete;
    EncoderWAV &operator=(const EncoderWAV &) = delete;

    // Shows the formats 16-bit PCM at SampleRate and Channels converts into. Ok: chosen, the
    // output format and its texts are set; NotChosen: cancelled or failed, nothing changes.
    long SelectFormat(int32_t SampleRate, int16_t Channels, FormatChooser *hWndOwner,
                      const std::string &Title);
    // Sets the output format record (wfx_len bytes at wfx_ptr) and its texts; nothing changes
    // when the bytes cannot be read. A file already open keeps the format it was opened with.
    void SetFormat(const void *wfx_ptr, int32_t wfx_len, const std::string &FormatID,
                   const std::string &FormatTag);
    // Sets a 16-bit PCM output format; empty texts are filled in ("PCM", "44.1 kHz 16 Bit Stereo").
    void SetPCMFormat(int32_t rate, int16_t channels, const std::string &FormatID,
                      const std::string &FormatTag);
    const std::string &FormatID() const { return m_formatID; }
    const std::string &FormatTag() const { return m_formatTag; }
    const std::vector<uint8_t> &OutputFormat() const { return m_outputFormat; }

    bool WriteHeader() const { return m_writeHeader; }
    // Throws NumberedError 90 "Encoder already running!" while a file is open.
    void SetWriteHeader(bool value);

    std::string Encoder_Description() const { return "Wave ACM Encoder"; }
    std::string Encoder_Extension() const { return "wav"; }

    // Each returns one of Result: Ok, NoFile, BadFormat, TooLong, ConvertFailed, WriteFailed.
    long Encoder_EncoderInit(int32_t rate, int16_t channels, const std::string &fileName);
    // Converts and appends whole input frames; buffer_used = input bytes consumed. No allocation.
    long Encoder_Encode(const void *buffer_ptr, int32_t buffer_len, int32_t &buffer_used);
    // Writes what the converter still holds, completes the header, closes the file.
    long Encoder_EncoderClose();
    // 1: input average bytes per second; 0: input block alignment; other: 0; -1 when no file.
    int32_t Encoder_EncoderMetrics(int32_t info) const;

    bool IsOpen() const { return m_fd >= 0; }
    // A RIFF file cannot describe more than 4 GiB: data that would grow the file past this size
    // is refused with WriteFailed, so the header stays true. Tests lower the limit.
    void SetMaxFileSize(uint64_t bytes) { m_maxFileSize = bytes; }

private:
    bool WriteAll(const uint8_t *data, size_t len);
    long CloseFile();

    // Output format and its texts, kept from one recording to the next.
    std::vector<uint8_t> m_outputFormat;
    std::string m_formatID;
    std::string m_formatTag;
    bool m_writeHeader = true;

    // The file being written.
    int m_fd = -1;
    std::string m_fileName;
    std::vector<uint8_t> m_fileFormat; // the output format the file was opened with
    WaveFormatRecord m_input;
    FormatConverter m_converter;
    size_t m_sourceSize = 0;          // one second of input
    std::vector<uint8_t> m_destination;
    std::vector<uint8_t> m_header;
    uint64_t m_fileSize = 0;
    uint64_t m_maxFileSize = 0xFFFFFFFFull;
    bool m_writeFailed = false;
};
