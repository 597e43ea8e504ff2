#pragma once

#include "platform/time/Date.h"

#include <QHashFunctions>
#include <optional>

namespace tolvar {

// Hashes the fields of a record in field order; an optional contributes its presence before its value.
class RecordHash
{
public:
    explicit RecordHash(size_t seed)
        : m_seed(seed)
    { }

    template <typename T> RecordHash& add(const T& value)
    {
        m_seed = qHashMulti(m_seed, value);
        return *this;
    }

    RecordHash& add(platform::Date date) { return add(date.secondsSinceReferenceDate()); }

    template <typename T> RecordHash& add(const std::optional<T>& value)
    {
        add(value.has_value());
        if (value)
            add(*value);
        return *this;
    }

    size_t value() const { return m_seed; }

private:
    size_t m_seed;
};

} // namespace tolvar
