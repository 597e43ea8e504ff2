#pragma once

#include "platform/defaults/UserDefaults.h"

#include <map>

namespace platform {

// User defaults that live only as long as the object, for tests.
class MemoryUserDefaults final : public UserDefaults
{
    Q_OBJECT
public:
    using UserDefaults::UserDefaults;

    std::optional<Value> value(const QString& key) const override;
    void setValue(const QString& key, const Value& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

private:
    std::map<QString, Value> m_values;
};

} // namespace platform
