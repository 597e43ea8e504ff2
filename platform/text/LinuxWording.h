#pragma once

#include <QTranslator>

namespace platform {

// The English texts that name places of another desktop (its settings application, its cloud, its menu
// bar and dock) keep their wording as lookup keys; this table gives each the text that is true on a
// Linux desktop. Installed once at start, before any text is looked up.
class LinuxWording final : public QTranslator
{
    Q_OBJECT
public:
    using QTranslator::QTranslator;

    QString translate(
        const char* context, const char* sourceText, const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }
};

} // namespace platform
