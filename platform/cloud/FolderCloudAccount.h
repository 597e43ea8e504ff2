#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/time/Date.h"

#include <QFuture>
#include <QMutex>
#include <QString>
#include <QThreadPool>
#include <memory>

namespace platform {

class Clock;

// Signed in while the shared folder holds a non-empty file `identity`; its content is the token. The file is read
// on the account's own thread, so that a slow folder (a network mount) never holds the caller: a call answers with
// the last read, and asks for another once that one was asked for a second ago. Only a call before the first read
// lands, at start, waits for it.
class FolderCloudAccount final : public CloudAccount
{
public:
    // The account of the standard folder, made first if it does not exist at all.
    static std::unique_ptr<FolderCloudAccount> createStandard(const Clock& clock);
    // Makes a missing folder, with a fresh token, in one step. An existing folder is left as it is: a
    // machine that received it by synchronisation must not start an account of its own. True when made.
    static bool createFolderIfMissing(const QString& folder);

    FolderCloudAccount(const QString& folder, const Clock& clock);
    // Waits for a read under way.
    ~FolderCloudAccount() override;

    std::optional<QByteArray> ubiquityIdentityToken() const override;

private:
    // On the account's thread.
    void read() const;

    const QString m_folder;
    const Clock& m_clock;
    mutable QMutex m_mutex;
    mutable std::optional<QByteArray> m_token;
    // When the last read was asked for.
    mutable Date m_readAt;
    mutable bool m_isReading = true;
    mutable QFuture<void> m_firstRead;
    mutable QThreadPool m_reader;
};

} // namespace platform
