#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "common/ApplicationLook.h"

int main(int argc, char** argv) {
    // Headless by default; a developer may still point the tests at a real display or device.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    tavrilo::applyApplicationLook(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
