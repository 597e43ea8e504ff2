#include "platform/workspace/DesktopWorkspace.h"

#include <QDesktopServices>
#include <QObject>
#include <gtest/gtest.h>

namespace {

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

} // namespace

TEST(DesktopWorkspace, OpensThroughTheDesktopHandlerForTheScheme)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("tolvar-test", &recorder, "open");
    platform::DesktopWorkspace workspace;

    EXPECT_TRUE(workspace.openUrl(QUrl("tolvar-test://meeting/42?x=1")));
    EXPECT_EQ(recorder.urls, QList<QUrl> { QUrl("tolvar-test://meeting/42?x=1") });

    // A link without a scheme is never handed to the desktop to guess at.
    EXPECT_FALSE(workspace.openUrl(QUrl("meet.example.org/abc")));
    EXPECT_FALSE(workspace.openUrl(QUrl()));
    EXPECT_EQ(recorder.urls.size(), 1);
    QDesktopServices::unsetUrlHandler("tolvar-test");
}

#include "WorkspaceTest.moc"
