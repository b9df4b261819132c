#pragma once
// The sound server's outputs as the preferences list them ("Sortie audio :"): "Par défaut" first,
// then each output by its description. The choice is stored by the output's name (setting
// "SortieAudio", empty for the default) and given to the player as mpv's audio-device
// "pulse/<name>". QtCore only.
#include "PulseCapture.h"

#include <QList>
#include <QString>
#include <vector>

namespace audioout {

inline constexpr const char *kOutputKey = "SortieAudio";

struct Output {
    QString name; // the server's name of the output; empty for the default
    QString text; // as shown
    bool operator==(const Output &) const = default;
};

// "Par défaut", then the server's outputs in its order (an output without description shows its
// name; one without name is left out).
QList<Output> Choices(const std::vector<PulseCapture::Output> &server);
// The index of the output named `name` in choices; -1 when it is not there (0 for the default).
int IndexOf(const QList<Output> &choices, const QString &name);
// mpv's audio-device for an output: "pulse/<name>", empty for the default.
QString PlayerDevice(const QString &name);
// The message when the chosen output is gone and the sound goes to the default output.
QString VanishedText(const QString &name);

} // namespace audioout
