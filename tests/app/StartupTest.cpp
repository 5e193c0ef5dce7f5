#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "common/Twips.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

TEST(Startup, LoadHandlerBringsEverythingToItsStartState) {
    test::LoadedForm app;
    ASSERT_TRUE(app.loaded) << app.sound.lastError();
    Form1& f = app.form;

    EXPECT_TRUE(f.windowTitle().startsWith("Tavrilo Synth4"));
    EXPECT_EQ(f.outerWidth(), 8340);
    EXPECT_EQ(f.size(), twipsSize(8130, 7635));

    const ColorValue swatches[] = {rgb(128, 128, 128), rgb(0, 0, 255),     rgb(0, 255, 0),
                                   rgb(0, 255, 255),   rgb(255, 0, 0),     rgb(255, 0, 255),
                                   rgb(255, 255, 0),   rgb(255, 255, 255), rgb(255, 128, 0)};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(f.lblcolor(i)->color(), swatches[i]) << "swatch " << i;

    EXPECT_EQ(f.drawing().penColor(), colors::white);
    EXPECT_EQ(f.Picdraw()->backColor(), colors::black);
    EXPECT_EQ(f.Picdraw()->picture().pixelColor(100, 100), QColor(0, 0, 0));
    EXPECT_EQ(f.sltempo()->value(), 200);

    const VoiceState& v = f.voice();
    for (auto value :
         {v.amp1, v.amp2, v.amRate1, v.amRate2, v.fmRate, v.cut1, v.cut2, v.envLevel, v.pitch})
        EXPECT_EQ(value, 0);

    EXPECT_EQ(f.score().length(), 32);
    for (int s = 0; s < kSteps; ++s)
        EXPECT_EQ(f.score().cell(Row::Tone, s), 24);

    // The step clock takes the tempo slider's start-up value, so playback starts at 200 ms a step.
    struct TimerCase {
        TimerService::Timer& timer;
        int interval;
        bool enabled;
    } timers[] = {{f.Timer1(), 1, true},
                  {f.Timer2(), 0, true},
                  {f.Timer3(), 200, false},
                  {f.Timer4(), 0, false}};
    for (const TimerCase& t : timers) {
        EXPECT_EQ(t.timer.interval(), t.interval);
        EXPECT_EQ(t.timer.enabled(), t.enabled);
    }
    EXPECT_TRUE(app.sound.isOpen());
}

TEST(Startup, ExitPromptAnsweredNoChangesNothing) {
    test::LoadedForm app;
    QSignalSpy ended(&app.form, &Form1::programEnded);
    bool inspected = false;
    test::answerNextMessageBox(QMessageBox::No, [&](QMessageBox& box) {
        inspected = true;
        EXPECT_EQ(box.text(), "Exit Tavrilo Synth?");
        EXPECT_EQ(box.windowTitle(), "Exit Tavrilo");
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::No));
        EXPECT_TRUE(box.isModal());
    });
    app.form.cmdexit()->click();
    EXPECT_TRUE(inspected);
    EXPECT_EQ(ended.count(), 0);
    EXPECT_TRUE(app.sound.isOpen());
}

TEST(Startup, ExitPromptAnsweredYesEndsTheProgram) {
    test::LoadedForm app;
    QSignalSpy ended(&app.form, &Form1::programEnded);
    test::answerNextMessageBox(QMessageBox::Yes);
    app.form.cmdexit_Click();
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 0);
}

TEST(Startup, ClosingTheMainWindowReleasesTheSoundAndEveryWindowWithoutAsking) {
    test::LoadedForm app;
    app.form.show();
    app.form.Form5()->show();
    QSignalSpy ended(&app.form, &Form1::programEnded);
    EXPECT_TRUE(app.form.close());
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(app.sound.isOpen());
    EXPECT_FALSE(app.form.Form5()->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Startup, WithoutASoundDeviceTheLoadFailsAndNoWindowAppears) {
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::string previous = saved ? saved : "";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        test::LoadedForm app;
        EXPECT_FALSE(app.loaded);
        EXPECT_FALSE(app.sound.isOpen());
        EXPECT_FALSE(app.sound.lastError().empty());
        EXPECT_FALSE(app.form.isVisible());
        EXPECT_EQ(app.form.Form2(), nullptr);
    }
    setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
}

// The real program, as a separate process: no sound, one line on stderr, a non-zero status.
TEST(Startup, ProgramWithoutSoundPrintsOneLineAndFails) {
    QProcess program;
    QTemporaryDir runtimeDir;  // private (0700), as Qt wants it
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SDL_AUDIODRIVER", "no-such-driver");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtimeDir.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TAVRILO_SYNTH_BINARY), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(program.exitCode(), 0);
    const QStringList ours =
        QString::fromUtf8(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(ours.size(), 1) << ours.join('\n').toStdString();
    EXPECT_TRUE(ours[0].startsWith("cannot open the sound device: ")) << ours[0].toStdString();
    EXPECT_GT(ours[0].size(), QString("cannot open the sound device: ").size());
}

}  // namespace
}  // namespace tavrilo
