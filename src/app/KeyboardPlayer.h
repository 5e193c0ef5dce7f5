#pragma once

#include <QObject>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace tavrilo {

// Lets the computer keyboard play the synth in every window of ours: an application-wide event
// filter that hands key presses to the instrument. Presses with Ctrl, Alt or Meta held are left
// alone (Alt+X still reaches the Exit button, Ctrl+Z undoes), as are releases and anything typed
// while a modal dialog is up.
class KeyboardPlayer : public QObject {
    Q_OBJECT
public:
    using WindowTest = std::function<bool(const QWidget* window)>;
    // A key went down: its X11 keycode (0 when the platform gives none), its character, whether
    // it repeats; true when it was a note key, which then goes no further.
    using KeyDown = std::function<bool(std::uint32_t scanCode, char32_t character, bool repeat)>;

    // Installs itself on the application; it goes away with its parent.
    KeyboardPlayer(QObject* parent, WindowTest isOurWindow, KeyDown keyDown);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowTest m_isOurWindow;
    KeyDown m_keyDown;
};

}  // namespace tavrilo
