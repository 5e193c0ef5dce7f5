#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string_view>

#include "common/ApplicationLook.h"

int main(int argc, char** argv) {
    // Headless by default, on two screens, the second of twice the pixel density (screens.json);
    // a developer may still point the tests at a real display or device.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || std::string_view(platform) == "offscreen") {
        setenv("QT_QPA_PLATFORM", "offscreen:configfile=" TAVRILO_TESTS_DIR "/support/screens.json",
               1);
        setenv("QT_SCREEN_SCALE_FACTORS", "screen1=1;screen2=2", 1);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    tavrilo::applyApplicationLook(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
