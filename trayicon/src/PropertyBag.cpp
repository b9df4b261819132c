#include "nimbrel/PropertyBag.h"

#include <QSettings>

namespace nimbrel {

PropertyBag::~PropertyBag() = default;

QVariant MemoryPropertyBag::ReadProperty(const QString &name, const QVariant &defaultValue) const
{
    return m_values.value(name, defaultValue);
}

void MemoryPropertyBag::WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue)
{
    if (value == defaultValue)
        m_values.remove(name);
    else
        m_values.insert(name, value);
}

SettingsPropertyBag::SettingsPropertyBag(QSettings &settings, QString group)
    : m_settings(settings), m_group(std::move(group))
{
}

QString SettingsPropertyBag::Key(const QString &name) const
{
    return m_group.isEmpty() ? name : m_group + QLatin1Char('/') + name;
}

QVariant SettingsPropertyBag::ReadProperty(const QString &name, const QVariant &defaultValue) const
{
    return m_settings.value(Key(name), defaultValue);
}

void SettingsPropertyBag::WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue)
{
    if (value == defaultValue)
        m_settings.remove(Key(name));
    else
        m_settings.setValue(Key(name), value);
}

} // namespace nimbrel
