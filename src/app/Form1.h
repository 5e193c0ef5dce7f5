#pragma once

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <array>
#include <memory>

#include "app/HelpWindow.h"
#include "app/KeyboardPlayer.h"
#include "board/DrawingBoard.h"
#include "board/FreehandDrawing.h"
#include "common/Clock.h"
#include "common/Controls.h"
#include "panels/MeterWindow.h"
#include "panels/PanelWindow.h"
#include "panels/StepParameterSet.h"
#include "patterns/PatternMemory.h"
#include "sound/MeterCanvas.h"
#include "sound/SynthEngine.h"
#include "sound/VoiceState.h"
#include "sound/modSynth_DX7.h"
#include "transport/QtTimerPump.h"
#include "transport/StepClock.h"
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
    static constexpr int kWideOuterWidth = 14460;
    static constexpr int kSlots = 6;

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

    // Handlers of the main window's controls and timers.
    void cmdexit_Click();
    void cmdplay_Click();
    void cmdstop_Click();
    void cmdreset_Click();
    void cmdnew_Click();
    void sltempo_Change();
    void lblcolor_Click(int index);
    void optraw_Click(int index);
    void Picdraw_MouseDown(int button, int shift, float x, float y);
    void Picdraw_MouseMove(int button, int shift, float x, float y);
    void Picdraw_MouseUp(int button, int shift, float x, float y);
    // A note key of the computer keyboard: the settings of currentStep at the key's pitch.
    void keyboardNote(std::int16_t pitch);
    void storeSlot_Click(int slot);   // "S": Command4, Command6, ... Command14
    void recallSlot_Click(int slot);  // "L": Command5, Command7, ... Command15
    void Timer1_Timer();

    StepParameterSet& score() { return m_score; }
    StepIndicators& indicators() { return m_indicators; }
    VoiceState& voice() { return m_voice; }
    const SynthEngine& engine() const { return m_engine; }
    const MeterCanvas& meterCanvas() const { return m_meterCanvas; }
    StepClock& stepClock() { return *m_stepClock; }
    FreehandDrawing& drawing() { return *m_drawing; }
    PatternMemory& patterns() { return m_patterns; }
    TimerService& timers() { return m_timers; }
    TimerService::Timer& Timer1() { return *m_timer1; }
    TimerService::Timer& Timer2() { return *m_timer2; }
    TimerService::Timer& Timer3() { return *m_timer3; }
    TimerService::Timer& Timer4() { return *m_timer4; }

    PanelWindow* Form2() const { return m_form2.get(); }
    PanelWindow* Form5() const { return m_form5.get(); }
    PanelWindow* Form6() const { return m_form6.get(); }
    MeterWindow* Form3() const { return m_form3.get(); }
    HelpWindow* Dialoghelp() const { return m_help.get(); }  // null until first opened

    DrawingBoard* Picdraw() const { return m_picdraw; }
    ColorBox* lblcolor(int i) const { return m_lblcolor[static_cast<std::size_t>(i)]; }
    ColorBox* Picture3() const { return m_picture3; }
    ColorBox* Picture4(int i) const { return m_stepLamps[static_cast<std::size_t>(i - 32)]; }
    ColorBox* Picpre(int k) const { return m_previews[static_cast<std::size_t>(k)]; }
    QPushButton* storeButton(int slot) const { return m_store[static_cast<std::size_t>(slot)]; }
    QPushButton* recallButton(int slot) const { return m_recall[static_cast<std::size_t>(slot)]; }
    QPushButton* optraw(int i) const { return m_optraw[static_cast<std::size_t>(i)]; }
    QSlider* sltempo() const { return m_sltempo; }
    QSlider* Slidercut1() const { return m_slidercut1; }
    QSlider* Slidercut21() const { return m_slidercut21; }
    QPushButton* button(const char* objectName) const;
    QPushButton* cmdexit() const { return button("cmdexit"); }

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
    void buildTopRow();
    void buildPalette();
    void buildSlots();
    void buildRightStrip();
    void createTimers();
    void bindIndicators();
    void connectOpeners();
    void openWindow(QWidget* window);
    void openHelp();
    void connectHandlers();
    void bindPatterns();
    bool isOurWindow(const QWidget* window) const;

    modSynth_DX7& m_sound;

    StepParameterSet m_score;
    StepIndicators m_indicators;
    VoiceState m_voice;
    SynthEngine m_engine;
    MeterCanvas m_meterCanvas;

    TimerService m_timers;
    TimerService::Timer* m_timer1 = nullptr;
    TimerService::Timer* m_timer2 = nullptr;
    TimerService::Timer* m_timer3 = nullptr;
    TimerService::Timer* m_timer4 = nullptr;
    QtTimerPump m_pump;
    std::unique_ptr<StepClock> m_stepClock;
    std::unique_ptr<FreehandDrawing> m_drawing;
    PatternMemory m_patterns{m_score};

    QImage m_backdrop;
    DrawingBoard* m_picdraw = nullptr;
    ColorBox* m_picture3 = nullptr;
    std::array<ColorBox*, 9> m_lblcolor{};
    std::array<ColorBox*, kSteps> m_stepLamps{};
    std::array<ColorBox*, kSlots> m_previews{};
    std::array<QPushButton*, kSlots> m_store{};
    std::array<QPushButton*, kSlots> m_recall{};
    std::array<QPushButton*, 2> m_optraw{};
    QSlider* m_sltempo = nullptr;
    QSlider* m_slidercut1 = nullptr;
    QSlider* m_slidercut21 = nullptr;

    std::unique_ptr<PanelWindow> m_form2;
    std::unique_ptr<PanelWindow> m_form5;
    std::unique_ptr<PanelWindow> m_form6;
    std::unique_ptr<MeterWindow> m_form3;
    std::unique_ptr<HelpWindow> m_help;
};

}  // namespace tavrilo
