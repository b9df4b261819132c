#include "FontWarmUp.h"

#include <fontconfig/fontconfig.h>

FontWarmUp::FontWarmUp() : m_thread([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() { m_thread.join(); }
