#pragma once
// Symbols of libnimbrel.so are hidden unless marked with NIMBREL_EXPORT.
#include <QtCore/qglobal.h>

#if defined(NIMBREL_LIBRARY)
#define NIMBREL_EXPORT Q_DECL_EXPORT
#else
#define NIMBREL_EXPORT Q_DECL_IMPORT
#endif
