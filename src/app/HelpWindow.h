#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace tavrilo {

// The help window `Dialoghelp`: how to start, a picture of the keys that play the synth, and the
// ">" button that widens the main window to show its advanced controls. A fixed dialog without
// minimize or maximize box, shown modeless without owner; "OK" hides it.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow();

    QPushButton* OKButton() const { return m_ok; }
    QPushButton* widenButton() const { return m_widen; }  // `Command2`, ">"

signals:
    // ">" was pressed: the main window should take its wide outer width.
    void widenRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* m_ok = nullptr;
    QPushButton* m_widen = nullptr;
};

}  // namespace tavrilo
