#pragma once
// Where a control keeps its persisted properties on its host's layout: values read and written by
// name, each with a default. A value equal to its default is not stored.
#include "nimbrel/nimbrel_export.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

class QSettings;

namespace nimbrel {

class NIMBREL_EXPORT PropertyBag {
public:
    virtual ~PropertyBag();

    // The stored value of name, or defaultValue when nothing is stored.
    virtual QVariant ReadProperty(const QString &name, const QVariant &defaultValue) const = 0;
    // Stores value under name; a value equal to defaultValue removes what was stored.
    virtual void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) = 0;

protected:
    PropertyBag() = default;
};

// Keeps the properties in memory.
class NIMBREL_EXPORT MemoryPropertyBag : public PropertyBag {
public:
    QVariant ReadProperty(const QString &name, const QVariant &defaultValue) const override;
    void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) override;

    const QVariantMap &Values() const { return m_values; }

private:
    QVariantMap m_values;
};

// Keeps the properties in a settings store, under group (empty: the store's current group).
// The store must outlive the bag.
class NIMBREL_EXPORT SettingsPropertyBag : public PropertyBag {
public:
    SettingsPropertyBag(QSettings &settings, QString group);

    QVariant ReadProperty(const QString &name, const QVariant &defaultValue) const override;
    void WriteProperty(const QString &name, const QVariant &value, const QVariant &defaultValue) override;

private:
    QString Key(const QString &name) const;

    QSettings &m_settings;
    QString m_group;
};

} // namespace nimbrel
