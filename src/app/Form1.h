#pragma once

#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <array>
#include <memory>

#include "board/DrawingBoard.h"
#include "common/Clock.h"
#include "common/Controls.h"
#include "panels/PanelWindow.h"
#include "panels/StepParameterSet.h"
#include "sound/VoiceState.h"
#include "sound/modSynth_DX7.h"
#include "transport/QtTimerPump.h"
#include "transport/StepIndicators.h"
#include "transport/TimerService.h"

namespace tavrilo {

// The main window: the drawing board, the chalk palette, the transport, the pattern slots and
// the openers of the other windows. It owns the score, the voice and the four timers, and its
// load handler brings all of them to their start-up state.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // The frame adds this much to the client width; the outer width is what the design fixes.
    static constexpr int kFrameTwips = 210;
    static constexpr int kClientHeightTwips = 7635;
    static constexpr int kNormalOuterWidth = 8340;

    Form1(const Clock& clock, modSynth_DX7& sound);
    ~Form1() override;

    // The load handler. False when the sound cannot be opened: the caller then ends the program
    // without showing a window.
    bool Form_Load();
    // Hands the timers to the Qt event loop; called once the window is shown. Tests that step
    // a SteppedClock drive timers() themselves instead.
    void startTimers();

    int outerWidth() const;
    void setOuterWidth(int twips);

    void cmdexit_Click();

    StepParameterSet& score() { return m_score; }
    StepIndicators& indicators() { return m_indicators; }
    VoiceState& voice() { return m_voice; }
    TimerService& timers() { return m_timers; }
    TimerService::Timer& Timer1() { return *m_timer1; }
    TimerService::Timer& Timer2() { return *m_timer2; }
    TimerService::Timer& Timer3() { return *m_timer3; }
    TimerService::Timer& Timer4() { return *m_timer4; }

    PanelWindow* Form2() const { return m_form2.get(); }
    PanelWindow* Form5() const { return m_form5.get(); }
    PanelWindow* Form6() const { return m_form6.get(); }
    DrawingBoard* Picdraw() const { return m_picdraw; }
    ColorBox* lblcolor(int i) const { return m_lblcolor[static_cast<std::size_t>(i)]; }
    QSlider* sltempo() const { return m_sltempo; }
    QPushButton* cmdexit() const { return m_cmdexit; }

signals:
    // The program should end with this status (the exit prompt answered Yes, or the window closed).
    void programEnded(int exitCode);

protected:
    // The unload handler: closing the main window by any means releases the sound and ends the
    // program with every other window, without a question.
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildControls();
    void createTimers();
    void Timer1_Timer();

    const Clock& m_clock;
    modSynth_DX7& m_sound;

    StepParameterSet m_score;
    StepIndicators m_indicators;
    VoiceState m_voice;

    TimerService m_timers;
    TimerService::Timer* m_timer1 = nullptr;
    TimerService::Timer* m_timer2 = nullptr;
    TimerService::Timer* m_timer3 = nullptr;
    TimerService::Timer* m_timer4 = nullptr;
    QtTimerPump m_pump;

    QImage m_backdrop;
    DrawingBoard* m_picdraw = nullptr;
    std::array<ColorBox*, 9> m_lblcolor{};
    QSlider* m_sltempo = nullptr;
    QPushButton* m_cmdexit = nullptr;

    std::unique_ptr<PanelWindow> m_form2;
    std::unique_ptr<PanelWindow> m_form5;
    std::unique_ptr<PanelWindow> m_form6;
};

}  // namespace tavrilo
