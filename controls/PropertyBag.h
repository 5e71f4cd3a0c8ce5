#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariant>

namespace ostrel::controls {

// A control's stored design settings: property names to values. Names compare without regard to
// case; a missing name reads back as the default the reader passes, and a value equal to its
// default is not stored. Bags are kept as JSON objects (one per control in a form's design).
class PropertyBag {
  public:
    PropertyBag() = default;
    explicit PropertyBag(const QJsonObject& values);

    // The stored value of `name`, or `defaultValue` when the bag has none.
    QVariant ReadProperty(const QString& name, const QVariant& defaultValue = {}) const;
    // Stores `value` under `name`; a value equal to `defaultValue` removes the entry instead.
    void WriteProperty(const QString& name, const QVariant& value,
                       const QVariant& defaultValue = {});
    // Reads `name` into `field`: the stored value, or `fallback` when the bag has none. A value
    // that does not convert to the field's type (a font object for a Boolean, say) leaves the
    // field as it was, so one unreadable entry does not spoil the others.
    template <typename T>
    void ReadInto(const QString& name, const QVariant& fallback, T& field) const {
        QVariant value = Contains(name) ? ReadProperty(name) : fallback;
        if (!value.isValid() || !value.convert(QMetaType::fromType<T>())) {
            return;
        }
        field = value.value<T>();
    }

    bool Contains(const QString& name) const;
    QJsonObject ToJson() const { return m_values; }

  private:
    // The stored key that matches `name` regardless of case, or `name` itself.
    QString StoredKey(const QString& name) const;

    QJsonObject m_values;
};

}  // namespace ostrel::controls
