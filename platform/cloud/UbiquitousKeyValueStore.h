#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// A key-value store of data values shared by every machine of one user.
class UbiquitousKeyValueStore : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    virtual void setData(const QByteArray& data, const QString& key) = 0;
    // Exchanges with the other machines as far as the backend can; false when it could not.
    virtual bool synchronize() = 0;

Q_SIGNALS:
    // Another machine (or process) changed these keys.
    void externalChange(const QStringList& keys);
};

// Whether the user is signed in to the shared store, and as whom.
class CloudAccount
{
public:
    virtual ~CloudAccount() = default;
    // Absent while signed out.
    virtual std::optional<QByteArray> ubiquityIdentityToken() const = 0;
};

} // namespace platform
