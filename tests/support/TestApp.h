#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/Form1.h"
#include "app/Instrument.h"
#include "sound/MeterCanvas.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo::test {

// The program as main() builds it, on a stepped clock with its sound open on SDL's dummy driver,
// loaded and shown. Timers do not run by themselves: advance() steps the clock through them.
struct ShownProgram {
    SteppedClock clock;
    modSynth_DX7 sound{clock};
    MeterCanvas meter;
    Instrument instrument{clock, sound, meter};
    Form1 form{instrument, meter};
    bool loaded = form.load();

    ShownProgram() {
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    ~ShownProgram() {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
    }
    void advance(Nanos dt) { instrument.timers().runUntil(clock, clock.now() + dt); }
    template <typename Widget = QWidget>
    Widget* control(const QString& name) const {
        auto* w = form.findChild<Widget*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    void click(const QString& name) { QTest::mouseClick(control(name), Qt::LeftButton); }
};

// The colour a box shows the user, at its centre.
inline QColor shownColour(QWidget* box) {
    return box->grab().toImage().pixelColor(box->width() / 2, box->height() / 2);
}

// Answers the next modal message box with `button` once it is up, after `inspect` looked at it.
// Gives up after about five seconds, so a box that never comes cannot hang a later test.
inline void answerNextMessageBox(QMessageBox::StandardButton button,
                                 std::function<void(QMessageBox&)> inspect = {}, int tries = 500) {
    QTimer::singleShot(10, [button, inspect, tries] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box && tries > 0) answerNextMessageBox(button, inspect, tries - 1);
        if (!box) return;
        if (inspect) inspect(*box);
        box->button(button)->click();
    });
}

}  // namespace tavrilo::test
