#include "app/KeyboardPlayer.h"

#include <QApplication>
#include <QKeyEvent>

namespace tavrilo {

KeyboardPlayer::KeyboardPlayer(QObject* parent, WindowTest isOurWindow, KeyDown keyDown)
    : QObject(parent), m_isOurWindow(std::move(isOurWindow)), m_keyDown(std::move(keyDown)) {
    qApp->installEventFilter(this);
}

bool KeyboardPlayer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    constexpr auto kChordModifiers = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (key->modifiers() & kChordModifiers || QApplication::activeModalWidget()) return false;
    if (!m_isOurWindow(static_cast<QWidget*>(watched)->window())) return false;
    const QString text = key->text();
    const char32_t character = text.size() == 1 ? text.at(0).unicode() : 0;
    // A note key is handled here, repeat or not, so it does not travel on to the focused control.
    return m_keyDown(key->nativeScanCode(), character, key->isAutoRepeat());
}

}  // namespace tavrilo
