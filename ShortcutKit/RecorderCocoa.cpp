#include "ShortcutKit/RecorderCocoa.h"

#include "ShortcutKit/ActionShortcut.h"
#include "ShortcutKit/LocalEventMonitor.h"
#include "ShortcutKit/Localization.h"
#include "ShortcutKit/Notifier.h"
#include "ShortcutKit/ShortcutKit.h"
#include "platform/sound/SystemSound.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

namespace ShortcutKit {

namespace {
// Clicks this close around the control still count as inside it.
constexpr int clickSlop = 3;

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// Every action of the application's windows, their menus and submenus, in the windows' order.
QList<QAction*> applicationActions()
{
    QList<QAction*> actions;
    QSet<const QAction*> seen;
    std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& list) {
        for (QAction* action : list) {
            if (seen.contains(action))
                continue;
            seen.insert(action);
            actions.append(action);
            if (const QMenu* menu = action->menu())
                walk(menu->actions());
        }
    };
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        walk(window->actions());
        for (const QWidget* child : window->findChildren<QWidget*>())
            walk(child->actions());
    }
    return actions;
}

// The menu item's title without its mnemonic marks.
QString menuTitle(const QAction& action)
{
    QString title = action.text();
    title.replace(QLatin1String("&&"), QChar(0x1));
    title.remove(u'&');
    title.replace(QChar(0x1), u'&');
    return title;
}
} // namespace

RecorderCocoa::RecorderCocoa(const Name& name, ChangeAction onChange, QWidget* parent)
    : RecorderCocoa(StorageMode::name, name, std::nullopt, std::move(onChange), parent)
{
    connect(&notifier(), &Notifier::shortcutByNameDidChange, this, [this](const Name& changed) {
        if (changed.rawValue() == m_shortcutName.rawValue())
            updateStringValue();
    });
}

RecorderCocoa::RecorderCocoa(const std::optional<Shortcut>& shortcut, ChangeAction onChange, QWidget* parent)
    : RecorderCocoa(StorageMode::binding, Name(), shortcut, std::move(onChange), parent)
{ }

RecorderCocoa::RecorderCocoa(
    StorageMode mode, const Name& name, const std::optional<Shortcut>& shortcut, ChangeAction onChange, QWidget* parent)
    : QLineEdit(parent)
    , m_onChange(std::move(onChange))
    , m_storageMode(mode)
    , m_bindingShortcut(shortcut)
    , m_shortcutName(name)
{
    // Keys are read as key events while recording; the field never takes typed text.
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setContextMenuPolicy(Qt::NoContextMenu);
    setFocusPolicy(Qt::StrongFocus);
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setPlaceholderText(localizedString("record_shortcut"));
    // Coming back from another application is bringing the window to the front, which never records.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            m_recordOnFocus = false;
    });
    m_cancelButton = addAction(style()->standardIcon(QStyle::SP_LineEditClearButton), QLineEdit::TrailingPosition);
    connect(m_cancelButton, &QAction::triggered, this, &RecorderCocoa::clearByUser);
    updateStringValue();
}

RecorderCocoa::~RecorderCocoa()
{
    // An open alert goes with the control and must not call back into it.
    for (QMessageBox* alert : findChildren<QMessageBox*>(Qt::FindDirectChildrenOnly))
        disconnect(alert, nullptr, this, nullptr);
    if (isRecording())
        endRecording();
}

void RecorderCocoa::setShortcutName(const Name& name)
{
    const bool changed = name.rawValue() != m_shortcutName.rawValue();
    m_shortcutName = name;
    if (changed && m_storageMode == StorageMode::name)
        updateStringValue();
}

std::optional<Shortcut> RecorderCocoa::shortcut() const
{
    return m_storageMode == StorageMode::name ? getShortcut(m_shortcutName) : m_bindingShortcut;
}

void RecorderCocoa::setShortcut(const std::optional<Shortcut>& shortcut)
{
    if (shortcut == this->shortcut())
        return;
    if (m_storageMode == StorageMode::name)
        ShortcutKit::setShortcut(shortcut, m_shortcutName);
    else
        m_bindingShortcut = shortcut;
    updateStringValue();
}

QSize RecorderCocoa::sizeHint() const
{
    return { minimumWidth, QLineEdit::sizeHint().height() };
}

QSize RecorderCocoa::minimumSizeHint() const
{
    return sizeHint();
}

void RecorderCocoa::updateStringValue()
{
    const std::optional<Shortcut> current = shortcut();
    setText(current ? current->nativeText() : QString());
    updateCancelButton();
}

void RecorderCocoa::updateCancelButton()
{
    m_cancelButton->setVisible(!text().isEmpty());
}

void RecorderCocoa::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // A window that opens or comes back to the front hands its focus to the first field: that alone
    // must not start a recording, or opening the settings would take the keyboard.
    const bool byWindow = event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
    if (m_recordOnFocus || !byWindow)
        startRecording();
}

void RecorderCocoa::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    endRecording();
}

void RecorderCocoa::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    // QLineEdit hides a centred placeholder while it has the focus, which is just when "Press Shortcut"
    // must show.
    if (!text().isEmpty() || !hasFocus())
        return;
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    QPainter painter(this);
    painter.setPen(palette().placeholderText().color());
    painter.drawText(
        contents, Qt::AlignCenter, fontMetrics().elidedText(placeholderText(), Qt::ElideRight, contents.width()));
}

void RecorderCocoa::keyPressEvent(QKeyEvent* event)
{
    // Focused but idle (the window gave it the focus): Space or Return starts recording.
    const int key = event->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
        startRecording();
        event->accept();
        return;
    }
    event->ignore();
}

void RecorderCocoa::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (hasFocus())
        startRecording();
}

void RecorderCocoa::startRecording()
{
    m_recordOnFocus = false;
    if (isRecording())
        return;
    setPlaceholderText(localizedString("press_shortcut"));
    updateCancelButton();
    m_shortcutBeforeRecording = shortcut();
    setRecorderActive(true);
    m_eventMonitor = new LocalEventMonitor(
        { QEvent::ShortcutOverride, QEvent::KeyPress, QEvent::MouseButtonRelease },
        [this](QObject* receiver, QEvent* event) { return handleRecordingEvent(receiver, event); }, this);
    m_eventMonitor->start();
}

void RecorderCocoa::endRecording()
{
    delete std::exchange(m_eventMonitor, nullptr);
    setPlaceholderText(localizedString("record_shortcut"));
    updateCancelButton();
    m_shortcutBeforeRecording.reset();
    setRecorderActive(false);
}

void RecorderCocoa::giveUpFocus()
{
    m_recordOnFocus = false;
    clearFocus();
    // Without the window's focus no focus-out comes.
    if (isRecording())
        endRecording();
}

void RecorderCocoa::recordAgain()
{
    if (hasFocus()) {
        startRecording();
        return;
    }
    m_recordOnFocus = true;
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void RecorderCocoa::clearByUser()
{
    clear();
    if (m_storageMode == StorageMode::name)
        ShortcutKit::setShortcut(std::nullopt, m_shortcutName);
    else
        m_bindingShortcut.reset();
    if (m_onChange)
        m_onChange(std::nullopt);
    updateCancelButton();
    recordAgain();
}

void RecorderCocoa::beep()
{
    if (platform::SystemSound* sound = platform().sound)
        sound->beep();
}

bool RecorderCocoa::handleRecordingEvent(QObject* receiver, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        // Seen again by every receiver it propagates to; each answer is the same.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
            return false;
        const QPoint position = mapFromGlobal(mouse->globalPosition().toPoint());
        if (!rect().adjusted(-clickSlop, -clickSlop, clickSlop, clickSlop).contains(position)) {
            giveUpFocus();
            return false;
        }
        // The clear button takes its click; any other click on the field is swallowed.
        const QWidget* target = childAt(position);
        return !target || target == this;
    }
    if (receiver != this)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // The key is ours: no shortcut of the application fires while recording.
        event->accept();
        return true;
    }
    return handleRecordingKey(*static_cast<QKeyEvent*>(event));
}

bool RecorderCocoa::handleRecordingKey(const QKeyEvent& event)
{
    const int key = event.key();
    if (isModifierKey(key))
        return true;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
    if (modifiers == Qt::NoModifier) {
        if (key == Qt::Key_Tab) {
            if (!focusNextChild() || hasFocus())
                giveUpFocus();
            return true;
        }
        if (key == Qt::Key_Backspace || key == Qt::Key_Delete) {
            if (m_cancelButton->isVisible())
                m_cancelButton->trigger();
            return true;
        }
        if (key == Qt::Key_Escape) {
            giveUpFocus();
            return true;
        }
    }
    // A shortcut needs Control, Alt or Super, except on a function key; Shift alone does not count.
    if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !isFunctionKey(key)) {
        beep();
        return true;
    }
    const std::optional<Shortcut> recorded = Shortcut::fromEvent(event);
    if (!recorded) {
        beep();
        return true;
    }
    validate(*recorded, Check::menuItem);
    return true;
}

void RecorderCocoa::validate(const Shortcut& shortcut, Check from)
{
    if (from <= Check::menuItem) {
        // The name's own action shows the shortcut that is being recorded again: no conflict.
        const bool unchanged = m_storageMode == StorageMode::name && m_shortcutBeforeRecording == shortcut;
        for (const QAction* action : shortcut.matchingActions(applicationActions())) {
            const std::optional<Name> owner = followedName(*action);
            if (unchanged && owner && owner->rawValue() == m_shortcutName.rawValue())
                continue;
            const QString message = localizedString("keyboard_shortcut_used_by_menu_item").arg(menuTitle(*action));
            presentConflictAlert(
                m_conflictPolicy.menuItem, message, {}, [this, shortcut] { validate(shortcut, Check::disallowed); });
            return;
        }
    }
    // The option-only restriction belongs to one version of another operating system's sandbox: X11
    // grabs an Alt-only combination like any other, so on Linux this check never refuses, whatever
    // `conflictPolicy.disallowed` says.
    if (from <= Check::systemShortcut && shortcut.isTakenBySystem()) {
        presentConflictAlert(m_conflictPolicy.systemShortcut, localizedString("keyboard_shortcut_used_by_system"),
            localizedString("keyboard_shortcuts_can_be_changed"),
            [this, shortcut] { validate(shortcut, Check::caller); });
        return;
    }
    if (m_validateShortcut) {
        const ValidationResult result = m_validateShortcut(shortcut);
        if (!result.isAllowed()) {
            showAlert(result.reason(), {}, {});
            return;
        }
    }
    accept(shortcut);
}

void RecorderCocoa::accept(const Shortcut& shortcut)
{
    setText(shortcut.nativeText());
    updateCancelButton();
    if (m_storageMode == StorageMode::binding)
        m_bindingShortcut = shortcut;
    else
        ShortcutKit::setShortcut(shortcut, m_shortcutName);
    if (m_onChange)
        m_onChange(shortcut);
    giveUpFocus();
}

void RecorderCocoa::presentConflictAlert(
    ConflictBehavior behavior, const QString& message, const QString& informativeText, std::function<void()> onAccepted)
{
    switch (behavior) {
    case ConflictBehavior::block:
        showAlert(message, informativeText, {});
        return;
    case ConflictBehavior::warn:
        showAlert(message, informativeText, std::move(onAccepted));
        return;
    case ConflictBehavior::allow:
        onAccepted();
        return;
    }
}

void RecorderCocoa::showAlert(const QString& message, const QString& informativeText, std::function<void()> onForcedUse)
{
    giveUpFocus();
    // A sheet on the control's window; the answer comes back through `finished`, so that nothing waits in
    // a nested event loop.
    auto* alert = new QMessageBox(this);
    alert->setIcon(QMessageBox::Warning);
    alert->setText(message);
    alert->setInformativeText(informativeText);
    QAbstractButton* forceButton = nullptr;
    if (onForcedUse) {
        alert->setDefaultButton(alert->addButton(localizedString("ok"), QMessageBox::RejectRole));
        forceButton = alert->addButton(localizedString("force_use_shortcut"), QMessageBox::AcceptRole);
    } else {
        alert->addButton(QMessageBox::Ok);
    }
    alert->setWindowModality(Qt::WindowModal);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    auto forced = std::make_shared<bool>(false);
    connect(alert, &QMessageBox::finished, this,
        [alert, forceButton, forced] { *forced = forceButton && alert->clickedButton() == forceButton; });
    connect(alert, &QObject::destroyed, this, [this, forced, onForcedUse] {
        // "Use Anyway" carries on with the next check, which ends in a stored shortcut or another alert.
        if (*forced) {
            onForcedUse();
            return;
        }
        // Recording starts again once the sheet is gone and its window has the keyboard back; the window
        // system moves the focus off the destroyed sheet first, so the restart waits a turn of the loop.
        QMetaObject::invokeMethod(this, &RecorderCocoa::recordAgain, Qt::QueuedConnection);
    });
    alert->open();
}

} // namespace ShortcutKit
