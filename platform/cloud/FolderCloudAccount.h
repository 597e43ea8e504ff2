#pragma once

#include "platform/cloud/FolderThread.h"
#include "platform/cloud/UbiquitousKeyValueStore.h"

#include <QFuture>
#include <QString>
#include <memory>

namespace platform {

class Clock;

// Signed in while the shared folder holds a non-empty file `identity`; its content is the token. The file is read
// on the account's own thread, so that a slow folder (a network mount) never holds the caller: a call answers with
// the last read, and asks for another once that one was asked for a second ago. Until the first read lands, the
// account is not known yet.
class FolderCloudAccount final : public CloudAccount
{
public:
    // The account of the standard folder, made first if it does not exist at all.
    static std::unique_ptr<FolderCloudAccount> createStandard(const Clock& clock);
    // Makes a missing folder, with a fresh token, in one step. An existing folder is left as it is: a
    // machine that received it by synchronisation must not start an account of its own. True when made.
    static bool createFolderIfMissing(const QString& folder);

    FolderCloudAccount(const QString& folder, const Clock& clock);
    // Leaves a read held in the folder behind.
    ~FolderCloudAccount() override = default;

    std::optional<QByteArray> ubiquityIdentityToken() const override;
    bool isKnown() const override;
    QFuture<void> known() const override { return m_known; }

private:
    // Shared with the reads, which may outlive the account.
    struct Reading;

    void startRead() const;

    const QString m_folder;
    const Clock& m_clock;
    std::shared_ptr<Reading> m_reading;
    QFuture<void> m_known;
    mutable FolderThread m_reader;
};

} // namespace platform
