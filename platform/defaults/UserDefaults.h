#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace platform {

// The application's persistent key-value settings. Values keep their type; the typed reads convert
// a value of another type the way the settings readers expect.
class UserDefaults : public QObject
{
    Q_OBJECT
public:
    using Value = std::variant<bool, qint64, double, QString, QStringList, QByteArray>;

    using QObject::QObject;

    virtual std::optional<Value> value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const Value& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QStringList keys() const = 0;

    // Absent is false; numbers are "not zero"; the strings "true", "yes" and "1" (any case) are true.
    bool boolForKey(const QString& key) const;
    // Integers, and doubles that hold a whole number; anything else reads as 0.
    qint64 integerForKey(const QString& key) const;
    // Integers, doubles and numeric strings; anything else reads as 0.
    double doubleForKey(const QString& key) const;
    std::optional<QString> stringForKey(const QString& key) const;
    // Only an array of strings.
    std::optional<QStringList> stringArrayForKey(const QString& key) const;
    std::optional<QByteArray> dataForKey(const QString& key) const;
    bool contains(const QString& key) const { return value(key).has_value(); }

    void setBool(const QString& key, bool v) { setValue(key, v); }
    void setInteger(const QString& key, qint64 v) { setValue(key, v); }
    void setDouble(const QString& key, double v) { setValue(key, v); }
    void setString(const QString& key, const QString& v) { setValue(key, v); }
    void setStringArray(const QString& key, const QStringList& v) { setValue(key, v); }
    void setData(const QString& key, const QByteArray& v) { setValue(key, v); }

Q_SIGNALS:
    // Emitted after a key was set or removed through this object.
    void changed(const QString& key);
};

} // namespace platform
