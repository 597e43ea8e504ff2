#pragma once

#include "tolvar/core/QuickPanel.h"

namespace tolvar {

// Stands in for the Quick Panel until it is built: there is no panel, so the shortcut opens nothing
// and there is never one to close.
class PlaceholderQuickPanel final : public QuickPanel
{
public:
    void toggle(AppModel&, std::function<void()>) override { }
    bool hasPanel() const override { return false; }
    void closePanel() override { }
};

} // namespace tolvar
