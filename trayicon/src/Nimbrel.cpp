#include "nimbrel/Nimbrel.h"

#include "LiveControls.h"
#include "nimbrel/PropertyBag.h"
#include "nimbrel/TaskBarIcon.h"

#include <cstring>

namespace {

QObject *CreateTaskBarIcon(QObject *parent)
{
    auto *control = new nimbrel::TaskBarIcon(parent);
    // Created from the host's layout, where nothing is stored: the defaults apply.
    control->ReadProperties(nimbrel::MemoryPropertyBag());
    return control;
}

const NimbrelClassFactory TaskBarIconFactory{&CreateTaskBarIcon};

bool IsTaskBarIcon(const char *progId)
{
    return progId && std::strcmp(progId, nimbrel::TaskBarIcon::ProgId) == 0;
}

} // namespace

extern "C" {

QObject *NimbrelCreateControl(const char *progId, QObject *parent)
{
    return IsTaskBarIcon(progId) ? CreateTaskBarIcon(parent) : nullptr;
}

std::int32_t DllRegisterServer(void)
{
    return NIMBREL_S_OK;
}

std::int32_t DllUnregisterServer(void)
{
    return NIMBREL_S_OK;
}

std::int32_t DllGetClassObject(const char *progId, const NimbrelClassFactory **factory)
{
    if (!factory)
        return NIMBREL_E_POINTER;
    if (!IsTaskBarIcon(progId)) {
        *factory = nullptr;
        return NIMBREL_CLASS_E_CLASSNOTAVAILABLE;
    }
    *factory = &TaskBarIconFactory;
    return NIMBREL_S_OK;
}

std::int32_t DllCanUnloadNow(void)
{
    return nimbrel::detail::LiveControls() == 0 ? NIMBREL_S_OK : NIMBREL_S_FALSE;
}

} // extern "C"
