#include "AudioOutputs.h"

namespace audioout {

QList<Output> Choices(const std::vector<PulseCapture::Output> &server)
{
    QList<Output> choices{{QString(), QStringLiteral("Par défaut")}};
    for (const PulseCapture::Output &o : server) {
        const QString name = QString::fromStdString(o.name);
        if (name.isEmpty())
            continue;
        const QString text = QString::fromStdString(o.description).trimmed();
        choices.append({name, text.isEmpty() ? name : text});
    }
    return choices;
}

int IndexOf(const QList<Output> &choices, const QString &name)
{
    for (qsizetype i = 0; i < choices.size(); ++i)
        if (choices[i].name == name)
            return int(i);
    return -1;
}

QString PlayerDevice(const QString &name) { return name.isEmpty() ? QString() : QStringLiteral("pulse/") + name; }

QString VanishedText(const QString &name)
{
    return QStringLiteral("La sortie audio « %1 » n'est plus disponible : le son passe par la sortie par défaut.").arg(name);
}

} // namespace audioout
