#pragma once
// Entry points of libnimbrel.so: creating the control by name and the registration functions of
// the component.
#include "nimbrel/nimbrel_export.h"

#include <cstdint>

class QObject;

extern "C" {

// Result codes of the entry points.
#define NIMBREL_S_OK 0
#define NIMBREL_S_FALSE 1
#define NIMBREL_E_POINTER static_cast<std::int32_t>(0x80004003u)
#define NIMBREL_CLASS_E_CLASSNOTAVAILABLE static_cast<std::int32_t>(0x80040111u)

// Creates the control named progId ("Nimbrel.TaskBarIcon") with the given parent, its properties
// loaded with their defaults and its icon not shown. Any other name gives nullptr.
NIMBREL_EXPORT QObject *NimbrelCreateControl(const char *progId, QObject *parent);

// Creates controls of one class.
struct NimbrelClassFactory {
    QObject *(*CreateInstance)(QObject *parent);
};

// The registration functions. Nothing needs to be written anywhere for the host to find the
// control, so both succeed without doing anything.
NIMBREL_EXPORT std::int32_t DllRegisterServer(void);
NIMBREL_EXPORT std::int32_t DllUnregisterServer(void);
// Sets *factory to the class factory of progId: S_OK, or CLASS_E_CLASSNOTAVAILABLE (and nullptr)
// for an unknown name; E_POINTER when factory is null.
NIMBREL_EXPORT std::int32_t DllGetClassObject(const char *progId, const NimbrelClassFactory **factory);
// S_OK when no control of the library is alive (it can be unloaded), S_FALSE otherwise.
NIMBREL_EXPORT std::int32_t DllCanUnloadNow(void);

} // extern "C"

#include "nimbrel/TaskBarIcon.h"

#include <QObject>

namespace nimbrel {

// Creates a control by name; nullptr for an unknown name.
inline QObject *CreateControl(const char *progId, QObject *parent)
{
    return NimbrelCreateControl(progId, parent);
}

// Creates the tray icon control by its name.
inline TaskBarIcon *CreateTaskBarIcon(QObject *parent)
{
    return qobject_cast<TaskBarIcon *>(NimbrelCreateControl(TaskBarIcon::ProgId, parent));
}

} // namespace nimbrel
