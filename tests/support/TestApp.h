#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/Form1.h"
#include "common/Clock.h"
#include "sound/modSynth_DX7.h"

namespace tavrilo::test {

// A main window on a stepped clock with its sound open on SDL's dummy driver, loaded as at
// start-up. Timers do not run by themselves: advance() steps the clock through them.
struct LoadedForm {
    SteppedClock clock;
    modSynth_DX7 sound{clock};
    Form1 form{clock, sound};
    bool loaded = form.Form_Load();

    void advance(std::chrono::nanoseconds dt) { form.timers().runUntil(clock, clock.now() + dt); }
};

// Tests of what the user sees and does: the loaded main window, shown on the screen.
class ShownMainWindow : public ::testing::Test {
protected:
    LoadedForm app;
    void SetUp() override {
        ASSERT_TRUE(app.loaded) << app.sound.lastError();
        app.form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.form));
    }
    void click(const char* buttonName) {
        QPushButton* b = app.form.button(buttonName);
        ASSERT_NE(b, nullptr) << buttonName;
        QTest::mouseClick(b, Qt::LeftButton);
    }
};

// Answers the next modal message box with `button` once it is up, after `inspect` looked at it.
// Gives up after about five seconds, so a box that never comes cannot hang a later test.
inline void answerNextMessageBox(QMessageBox::StandardButton button,
                                 std::function<void(QMessageBox&)> inspect = {},
                                 int triesLeft = 500) {
    QTimer::singleShot(10, [button, inspect, triesLeft] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            if (triesLeft > 0) answerNextMessageBox(button, inspect, triesLeft - 1);
            return;
        }
        if (inspect) inspect(*box);
        box->button(button)->click();
    });
}

}  // namespace tavrilo::test
