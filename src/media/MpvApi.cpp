#include "MpvApi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QString>

namespace {

const MpvApi *g_api = nullptr;

} // namespace

QString MpvApi::ModulePath()
{
    // Tests without an application object still run from the build's program folder.
    const QString folder = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2);
    return folder + QStringLiteral("/libtavilune_mpv.so");
}

const MpvApi *MpvApi::Loaded() { return g_api; }

const MpvApi *MpvApi::Load()
{
    static bool tried = false;
    if (tried)
        return g_api;
    tried = true;
    // Never unloaded: mpv's threads and callbacks may outlive any one engine.
    auto *module = new QLibrary(ModulePath());
    module->setLoadHints(QLibrary::PreventUnloadHint);
    auto entry = reinterpret_cast<TavMpvApiFunction>(module->resolve(TAV_MPV_API_SYMBOL));
    if (!entry) {
        qWarning("player module not loaded: %s", qPrintable(module->errorString()));
        return nullptr;
    }
    const MpvApi *api = entry();
    if (!api || api->revision != MpvApi::Revision) {
        qWarning("player module %s belongs to another build", qPrintable(ModulePath()));
        return nullptr;
    }
    g_api = api;
    return g_api;
}
