#include "app/KeyboardPlayer.h"

#include <QApplication>
#include <QKeyEvent>

#include "transport/KeyboardNotes.h"

namespace tavrilo {

KeyboardPlayer::KeyboardPlayer(QObject* parent, WindowTest isOurWindow, PlayNote play)
    : QObject(parent), m_isOurWindow(std::move(isOurWindow)), m_play(std::move(play)) {
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
    const auto pitch = pitchForKey(key->nativeScanCode(), character);
    if (!pitch) return false;
    // Handled here, repeat or not, so the press does not travel on to the focused control.
    if (!key->isAutoRepeat()) m_play(*pitch);
    return true;
}

}  // namespace tavrilo
