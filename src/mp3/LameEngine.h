#pragma once
// The MP3 engine library, loaded at run time by name: first from the program folder (the folder
// of the running executable), then through the system's library search. Loading happens at the
// first call of an engine function; a library that cannot be loaded, or that lacks one of the five
// required functions, raises NumberedError 29776 with the source "tavilune.lameLoad".
// beInfoFrame is optional: an engine without it writes no info frame back.
#include "lameencshim.h"

#include <string>

class LameEngine {
public:
    static constexpr long kLoadError = 29776;

    // `name` is the library's base name ("lameencshim" → liblameencshim.so), or a path.
    explicit LameEngine(std::string name = "lameencshim");
    ~LameEngine();
    LameEngine(const LameEngine &) = delete;
    LameEngine &operator=(const LameEngine &) = delete;

    uint32_t InitStream(const uint8_t *config, uint32_t *samplesPerChunk, uint32_t *outputBufferSize,
                        uint32_t *stream);
    uint32_t EncodeChunk(uint32_t stream, uint32_t samples, const int16_t *pcm, uint8_t *output,
                         uint32_t *produced);
    uint32_t DeinitStream(uint32_t stream, uint8_t *output, uint32_t *produced);
    // 0 bytes when the engine has no info frame to give.
    uint32_t InfoFrame(uint32_t stream, uint8_t *output, uint32_t *produced);
    uint32_t CloseStream(uint32_t stream);
    void Version(uint8_t *record);

    // Path of the library file that was loaded; empty before the first call.
    const std::string &LoadedPath() const { return m_path; }

private:
    void load();

    std::string m_name;
    std::string m_path;
    void *m_library = nullptr;
    decltype(&beInitStream) m_init = nullptr;
    decltype(&beEncodeChunk) m_encode = nullptr;
    decltype(&beDeinitStream) m_deinit = nullptr;
    decltype(&beInfoFrame) m_infoFrame = nullptr;
    decltype(&beCloseStream) m_close = nullptr;
    decltype(&beVersion) m_version = nullptr;
};
