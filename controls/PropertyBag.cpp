#include "controls/PropertyBag.h"

#include <QJsonValue>

namespace ostrel::controls {

PropertyBag::PropertyBag(const QJsonObject& values) : m_values(values) {}

QString PropertyBag::StoredKey(const QString& name) const {
    for (auto it = m_values.constBegin(); it != m_values.constEnd(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0) {
            return it.key();
        }
    }
    return name;
}

bool PropertyBag::Contains(const QString& name) const {
    return m_values.contains(StoredKey(name));
}

QVariant PropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
    const QString key = StoredKey(name);
    if (!m_values.contains(key)) {
        return defaultValue;
    }
    QVariant value = m_values.value(key).toVariant();
    // JSON keeps numbers as doubles: hand them back in the default's type where it converts.
    if (defaultValue.isValid() && value.canConvert(defaultValue.metaType())) {
        value.convert(defaultValue.metaType());
    }
    return value;
}

void PropertyBag::WriteProperty(const QString& name, const QVariant& value,
                                const QVariant& defaultValue) {
    const QString key = StoredKey(name);
    if (defaultValue.isValid() && value == defaultValue) {
        m_values.remove(key);
        return;
    }
    m_values.insert(key, QJsonValue::fromVariant(value));
}

}  // namespace ostrel::controls
