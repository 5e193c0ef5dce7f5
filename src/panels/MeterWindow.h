#pragma once

#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <array>

#include "common/Controls.h"
#include "sound/MeterSink.h"

namespace tavrilo {

// The meter window `Form3`: a trace box and a level-bar box per oscillator, into which the
// synthesis tick draws whether the window is shown or hidden. The boxes show images owned by
// the meter canvas; this window only lays them out. "Close" and the close box only hide it.
class MeterWindow : public QWidget {
    Q_OBJECT
public:
    MeterWindow();

    ImageBox* box(MeterBox which) const { return m_boxes[static_cast<std::size_t>(which)]; }
    QSlider* Slider9() const { return m_slider9; }
    QPushButton* closeButton() const { return m_close; }

    // Repaints the four boxes after a tick has drawn into their images.
    void refreshBoxes();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_backdrop;
    std::array<ImageBox*, 4> m_boxes{};
    QSlider* m_slider9 = nullptr;
    QPushButton* m_close = nullptr;
};

}  // namespace tavrilo
