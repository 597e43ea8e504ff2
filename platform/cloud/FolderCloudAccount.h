#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"

#include <QString>
#include <memory>

namespace platform {

// Signed in while the shared folder holds a non-empty file `identity`; its content is the token.
class FolderCloudAccount final : public CloudAccount
{
public:
    // The account of the standard folder, made first if it does not exist at all.
    static std::unique_ptr<FolderCloudAccount> createStandard();
    // Makes a missing folder, with a fresh token, in one step. An existing folder is left as it is: a
    // machine that received it by synchronisation must not start an account of its own. True when made.
    static bool createFolderIfMissing(const QString& folder);

    explicit FolderCloudAccount(const QString& folder);

    std::optional<QByteArray> ubiquityIdentityToken() const override;

private:
    QString m_folder;
};

} // namespace platform
