#pragma once
// Starts the desktop's volume control, the first one installed of a short list of mixers
// (PulseAudio's and PipeWire's, then the desktops' own). Windows with a volume button call it
// and show MixerMissingText() under kMixerTitle when nothing could be started.
#include <QString>

namespace mixer {

inline const QString kMixerTitle = QStringLiteral("Réglage du volume");
QString MixerMissingText();

// Where the mixer opens: its default page, or the page of the recording devices where the mixer
// has one.
enum class Page { Default, InputDevices };

// True when a mixer was started (not waited for).
bool StartMixer(Page page = Page::Default);

} // namespace mixer
