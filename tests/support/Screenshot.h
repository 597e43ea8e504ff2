#pragma once

#include <QString>

class QPixmap;
class QWidget;

namespace testsupport {

// Saves `image` as <name>.png under the screenshot folder the test runner names (none: nothing saved).
void saveScreenshot(const QPixmap& image, const QString& name);
// Saves what the widget shows, at its own size.
void saveScreenshot(QWidget& widget, const QString& name);

} // namespace testsupport
