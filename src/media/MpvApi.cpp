#include "MpvApi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QString>
#include <atomic>
#include <future>
#include <mutex>

namespace {

std::atomic<const MpvApi *> g_api{nullptr};
std::mutex g_lock;
std::shared_future<const MpvApi *> g_loading; // the one load of the process, once started

// Any thread: loads the module and checks its table.
const MpvApi *loadModule(const QString &path)
{
    // Never unloaded: mpv's threads and callbacks may outlive any one engine.
    QLibrary module(path);
    module.setLoadHints(QLibrary::PreventUnloadHint);
    auto entry = reinterpret_cast<TavMpvApiFunction>(module.resolve(TAV_MPV_API_SYMBOL));
    if (!entry) {
        qWarning("player module not loaded: %s", qPrintable(module.errorString()));
        return nullptr;
    }
    const MpvApi *api = entry();
    if (!api || api->revision != MpvApi::Revision) {
        qWarning("player module %s belongs to another build", qPrintable(path));
        return nullptr;
    }
    return api;
}

} // namespace

QString MpvApi::ModulePath()
{
    // Tests without an application object still run from the build's program folder.
    const QString folder = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    return folder + QStringLiteral("/libtavilune_mpv.so");
}

const MpvApi *MpvApi::Loaded() { return g_api.load(); }

void MpvApi::Preload()
{
    const std::lock_guard<std::mutex> hold(g_lock);
    if (!g_loading.valid())
        g_loading = std::async(std::launch::async, loadModule, ModulePath()).share();
}

const MpvApi *MpvApi::Load()
{
    if (const MpvApi *api = g_api.load())
        return api;
    Preload();
    std::shared_future<const MpvApi *> loading;
    {
        const std::lock_guard<std::mutex> hold(g_lock);
        loading = g_loading;
    }
    const MpvApi *api = loading.get(); // waits for a load still running
    g_api.store(api);
    return api;
}
