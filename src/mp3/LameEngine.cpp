#include "LameEngine.h"

#include "common/NumberedError.h"
#include "common/ProgramName.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace {

std::string programFolder()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

template <typename F> void resolve(void *library, const char *symbol, F &fn, bool required)
{
    fn = reinterpret_cast<F>(dlsym(library, symbol));
    if (!fn && required)
        throw NumberedError(LameEngine::kLoadError, ErrorSource("lameLoad"),
                            std::string("The MP3 engine library lacks the function ") + symbol);
}

} // namespace

LameEngine::LameEngine(std::string name) : m_name(std::move(name)) {}

LameEngine::~LameEngine()
{
    if (m_library)
        dlclose(m_library);
}

void LameEngine::load()
{
    if (m_library)
        return;
    std::string file = m_name;
    if (file.find('/') == std::string::npos) {
        file = "lib" + m_name + ".so";
        const std::string folder = programFolder();
        const std::string beside = folder + '/' + file;
        std::error_code ec;
        if (!folder.empty() && std::filesystem::exists(beside, ec))
            file = beside;
    }
    void *library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char *why = dlerror();
        throw NumberedError(kLoadError, ErrorSource("lameLoad"),
                            "Unable to load the MP3 engine library " + file +
                                (why ? std::string(": ") + why : std::string()));
    }
    try {
        resolve(library, "beInitStream", m_init, true);
        resolve(library, "beEncodeChunk", m_encode, true);
        resolve(library, "beDeinitStream", m_deinit, true);
        resolve(library, "beCloseStream", m_close, true);
        resolve(library, "beVersion", m_version, true);
        resolve(library, "beInfoFrame", m_infoFrame, false);
    } catch (...) {
        dlclose(library);
        throw;
    }
    m_library = library;
    m_path = file;
}

uint32_t LameEngine::InitStream(const uint8_t *config, uint32_t *samplesPerChunk,
                                uint32_t *outputBufferSize, uint32_t *stream)
{
    load();
    return m_init(config, samplesPerChunk, outputBufferSize, stream);
}

uint32_t LameEngine::EncodeChunk(uint32_t stream, uint32_t samples, const int16_t *pcm,
                                 uint8_t *output, uint32_t *produced)
{
    load();
    return m_encode(stream, samples, pcm, output, produced);
}

uint32_t LameEngine::DeinitStream(uint32_t stream, uint8_t *output, uint32_t *produced)
{
    load();
    return m_deinit(stream, output, produced);
}

uint32_t LameEngine::InfoFrame(uint32_t stream, uint8_t *output, uint32_t *produced)
{
    load();
    if (!m_infoFrame) {
        *produced = 0;
        return BE_ERR_SUCCESSFUL;
    }
    return m_infoFrame(stream, output, produced);
}

uint32_t LameEngine::CloseStream(uint32_t stream)
{
    load();
    return m_close(stream);
}

void LameEngine::Version(uint8_t *record)
{
    load();
    m_version(record);
}
