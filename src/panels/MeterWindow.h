#pragma once

#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QWidget>
#include <array>

#include "common/Artwork.h"
#include "common/Controls.h"
#include "common/Signal.h"
#include "sound/MeterCanvas.h"

namespace tavrilo {

// The meter window `Form3`: a trace box and a level-bar box per oscillator, into which the
// synthesis tick draws whether the window is shown or hidden. The boxes show the images of the
// meter canvas, repainted whenever a tick has drawn a new picture; this window only lays them
// out. "Close" and the close box only hide it.
class MeterWindow : public QWidget {
    Q_OBJECT
public:
    // The canvas must outlive the window.
    explicit MeterWindow(MeterCanvas& canvas);

    ImageBox* box(MeterBox which) const { return m_boxes[static_cast<std::size_t>(which)]; }
    QSlider* Slider9() const { return m_slider9; }
    QPushButton* closeButton() const { return m_close; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CachedPicture m_backdrop{[](qreal dpr) { return panelBackdrop(QSize(561, 510), 7, dpr); }};
    std::array<ImageBox*, 4> m_boxes{};
    QSlider* m_slider9 = nullptr;
    QPushButton* m_close = nullptr;
    Subscription m_presented;
};

}  // namespace tavrilo
