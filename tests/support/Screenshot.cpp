#include "tests/support/Screenshot.h"

#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace testsupport {

void saveScreenshot(const QPixmap& image, const QString& name)
{
    const QString folder = qEnvironmentVariable("TOLVAR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void saveScreenshot(QWidget& widget, const QString& name)
{
    saveScreenshot(widget.grab(), name);
}

} // namespace testsupport
