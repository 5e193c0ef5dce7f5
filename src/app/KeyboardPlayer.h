#pragma once

#include <QObject>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace tavrilo {

// Lets the computer keyboard play the synth in every window of ours: an application-wide event
// filter that turns a press of one of the 24 note keys into a note. Presses with Ctrl, Alt or
// Meta held are left alone (Alt+X still reaches the Exit button), as are auto-repeats, releases
// and anything typed while a modal dialog is up.
class KeyboardPlayer : public QObject {
    Q_OBJECT
public:
    using WindowTest = std::function<bool(const QWidget* window)>;
    using PlayNote = std::function<void(std::int16_t pitch)>;

    // Installs itself on the application; it goes away with its parent.
    KeyboardPlayer(QObject* parent, WindowTest isOurWindow, PlayNote play);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowTest m_isOurWindow;
    PlayNote m_play;
};

}  // namespace tavrilo
