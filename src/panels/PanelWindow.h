#pragma once

#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <array>

#include "common/Controls.h"
#include "common/Signal.h"
#include "panels/StepIndicators.h"
#include "panels/StepParameterSet.h"

namespace tavrilo {

// One of the three panel windows that show the score as vertical sliders, 32 to a row: the
// oscillator panel (Tone, Osc1, Osc2 and the sequence length), the envelope panel (Atteck,
// Decay, VOL) and the modulation panel (AM1, AM2, FM). Each also shows the step lamps and the
// step markers. The sliders are bound to the StepParameterSet both ways. The window is a
// modeless tool window without owner; its "Close" button and its close box only hide it.
class PanelWindow : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Oscillator, Envelope, Modulation };  // Form2, Form5, Form6

    PanelWindow(Kind kind, StepParameterSet& score, StepIndicators& indicators);

    Kind kind() const { return m_kind; }
    // The rows this panel holds, top to bottom.
    std::array<Row, 3> rows() const;
    bool holds(Row row) const;

    QSlider* slider(Row row, int step) const;
    QSlider* lengthSlider() const { return m_length; }  // oscillator panel only, else null
    ColorBox* lamp(int step) const { return m_lamps[static_cast<std::size_t>(step)]; }
    QPushButton* closeButton() const { return m_close; }
    // Where the marker of a step is drawn, in this window's pixels.
    QRect markerRect(int step) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void bindScore();
    void bindIndicators();
    DecorLine marker(int step) const;

    Kind m_kind;
    StepParameterSet& m_score;
    StepIndicators& m_indicators;
    CachedPicture m_backdrop;
    std::array<std::array<QSlider*, kSteps>, 3> m_sliders{};
    std::array<ColorBox*, kSteps> m_lamps{};
    QSlider* m_length = nullptr;
    QPushButton* m_close = nullptr;
    Subscription m_cellChanged;
    Subscription m_lengthChanged;
    Subscription m_lampChanged;
    Subscription m_markerChanged;
};

}  // namespace tavrilo
