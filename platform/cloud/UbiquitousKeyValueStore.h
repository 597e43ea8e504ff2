#pragma once

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QFuture>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

namespace platform {

// A key-value store of data values shared by every machine of one user.
class UbiquitousKeyValueStore : public QObject
{
    Q_OBJECT
public:
    // Turns the data under a key into the form its reader works with, or an empty QVariant when the data is
    // malformed. A store may call it on any thread, so it must keep to its argument.
    using Decoder = std::function<QVariant(const QByteArray& data)>;
    // As Decoder, for data that takes a while: it may give up once `stopped()` holds (the store is going), and what
    // it returns then is passed over.
    using StoppableDecoder = std::function<QVariant(const QByteArray& data, const std::function<bool()>& stopped)>;

    using QObject::QObject;

    virtual std::optional<QByteArray> data(const QString& key) const = 0;
    virtual void setData(const QByteArray& data, const QString& key) = 0;
    // As setData, from a caller that holds what the key's decoder makes of `data`, so that it is not made again.
    virtual void setDecodedData(const QByteArray& data, const QVariant& decoded, const QString& key)
    {
        Q_UNUSED(decoded);
        setData(data, key);
    }
    // Exchanges with the other machines as far as the backend can; false when it could not.
    virtual bool synchronize() = 0;
    // As synchronize(), resuming once the store holds what the other machines had written when it was called,
    // so that a merge written next cannot supersede it unseen. False also when the store went meanwhile.
    virtual QCoro::Task<bool> synchronizeAndWait() { co_return synchronize(); }
    // Holds the caller until every write made so far is kept where the next start reads it; false when one could
    // not be.
    virtual bool flush() { return true; }
    // As flush(), as the program quits: a shared folder that does not answer is waited for no longer than a quit may
    // take; what must last is then kept where this machine's next start reads it.
    virtual bool flushAtQuit() { return flush(); }
    // Whether this machine's own earlier writes are read. Until they are, the store holds none of them: a value merged
    // from what it holds would leave them out.
    virtual bool hasReadOwnValues() const { return true; }
    // Resumes once they are read; false when the store went meanwhile.
    virtual QCoro::Task<bool> waitForOwnValues() { co_return true; }
    // Holds the caller until they are read, as a quit with answers still to merge with them must.
    virtual void readOwnValuesNow() { }
    // Whether what the other machines wrote is still being read, so that synchronizeAndWait() would wait for it.
    virtual bool isReadingPeerFiles() const { return false; }
    // Whether the other machines' files that were there when the store was made have been read: until then what
    // it holds may lack their answers.
    virtual bool hasReadPeerFiles() const { return true; }

    // Offers the store to decode the data under `key` as it reads it, off the caller's thread. A store that
    // takes the offer passes over data that does not decode, so that the key holds its latest write that does.
    virtual void setDecoder(const QString& key, StoppableDecoder decoder)
    {
        Q_UNUSED(key);
        Q_UNUSED(decoder);
    }
    void setDecoder(const QString& key, Decoder decoder)
    {
        setDecoder(key, [decoder = std::move(decoder)](const QByteArray& data, const std::function<bool()>&) {
            return decoder(data);
        });
    }
    // What the key's decoder made of data(key); empty where the store does not decode.
    virtual QVariant decodedData(const QString& key) const
    {
        Q_UNUSED(key);
        return {};
    }
    // What the key's decoder made of each machine's last write of the key, this one's among them. The key's value is
    // the newest, which may have superseded another before it was read, and so lack what that one holds. Empty where
    // the store does not decode.
    virtual QVariantList everyDecodedData(const QString& key) const
    {
        Q_UNUSED(key);
        return {};
    }

Q_SIGNALS:
    // Another machine (or process) changed these keys.
    void externalChange(const QStringList& keys);
    // What the other machines wrote was read, whether or not it changed the value of any key.
    void peerFilesRead();
};

// Whether the user is signed in to the shared store, and as whom.
class CloudAccount
{
public:
    virtual ~CloudAccount() = default;
    // Absent while signed out, and while not known yet.
    virtual std::optional<QByteArray> ubiquityIdentityToken() const = 0;
    // Whether it is known yet if the user is signed in: a shared folder that stalls may keep it unknown for minutes.
    virtual bool isKnown() const { return true; }
    // Finishes once it is known.
    virtual QFuture<void> known() const { return QtFuture::makeReadyFuture(); }
    // Signed in, or not known yet: what the user answers meanwhile is kept for the shared store.
    bool maySignIn() const { return !isKnown() || ubiquityIdentityToken().has_value(); }
};

} // namespace platform
