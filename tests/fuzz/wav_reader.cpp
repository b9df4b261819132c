// The MP3 converter's WAV reader on any file: open, read every buffer to the end, seek about.
#include "common/NumberedError.h"
#include "mp3/cWavReader.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = fuzz::WriteFile(QStringLiteral("input.wav"), data, size).toStdString();
    cWavReader reader;
    // Small buffers of varying size reach the end-of-data cases often.
    reader.SetReadBufferSize(int32_t(1 + size % 61));
    try {
        if (!reader.OpenFile(path))
            return 0;
        uint32_t sum = 0;
        const auto touch = [&] {
            fuzz::Check(reader.ReadSize() >= 0 && reader.ReadSize() <= reader.ReadBufferSize(),
                        "a read fits its buffer");
            const int16_t *p = reader.ReadBufferPtr();
            for (int32_t i = 0; i < reader.ReadSize() * 2; ++i)
                sum += uint16_t(p[i]);
        };
        int64_t frames = 0;
        for (;;) {
            const bool more = reader.Read();
            touch();
            frames += reader.ReadSize();
            if (!more)
                break;
        }
        fuzz::Check(frames <= reader.AudioLength(), "no more frames than the data holds");
        reader.SeekAbsolute(reader.AudioLength() / 2);
        reader.Read();
        touch();
        reader.SeekRelative(-reader.ReadSize());
        reader.Read();
        touch();
        reader.SeekAbsolute(reader.AudioLength());
        fuzz::Check(!reader.Read(), "nothing is left at the end");
        (void)sum;
    } catch (const NumberedError &) {
    }
    return 0;
}
