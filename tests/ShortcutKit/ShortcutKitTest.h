#pragma once

#include "ShortcutKit/Notifier.h"
#include "ShortcutKit/ShortcutKit.h"
#include "platform/defaults/MemoryUserDefaults.h"
#include "platform/hotkeys/TestHotKeys.h"
#include "platform/keyboard/TestKeyRepeat.h"
#include "platform/keyboard/TestKeyboardLayout.h"
#include "platform/sound/MemorySystemSound.h"
#include "platform/systemshortcuts/TestSystemShortcuts.h"
#include "platform/time/TestClock.h"

#include <QCoreApplication>
#include <QStringList>
#include <gtest/gtest.h>

// The library started on test doubles, with a US keyboard and the names whose change it posted.
class ShortcutKitTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        layout.useUsLayout();
        ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts, &sound, &clock, &keyRepeat });
        QObject::connect(&ShortcutKit::notifier(), &ShortcutKit::Notifier::shortcutByNameDidChange,
            [this](const ShortcutKit::Name& name) { posted.append(name.rawValue()); });
    }

    void TearDown() override { ShortcutKit::shutDown(); }

    std::optional<QString> stored(const QString& name) const
    {
        const auto value = defaults.value("ShortcutKit_" + name);
        if (!value)
            return std::nullopt;
        if (const auto* text = std::get_if<QString>(&*value))
            return *text;
        if (const auto* flag = std::get_if<bool>(&*value))
            return *flag ? QStringLiteral("true") : QStringLiteral("false");
        return QStringLiteral("<other>");
    }

    // A press and release of the shortcut, as the user makes it.
    void type(const ShortcutKit::Shortcut& shortcut)
    {
        hotKeys.press(shortcut.carbonKeyCode(), shortcut.carbonModifiers());
        hotKeys.release(shortcut.carbonKeyCode(), shortcut.carbonModifiers());
    }

    bool isGrabbed(const ShortcutKit::Shortcut& shortcut) const
    {
        return hotKeys.isGrabbed(shortcut.carbonKeyCode(), shortcut.carbonModifiers());
    }

    platform::MemoryUserDefaults defaults;
    platform::TestHotKeys hotKeys;
    platform::TestKeyboardLayout layout;
    platform::TestSystemShortcuts systemShortcuts;
    platform::MemorySystemSound sound;
    platform::TestClock clock;
    platform::TestKeyRepeat keyRepeat;
    QStringList posted;
};
