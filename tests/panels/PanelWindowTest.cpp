#include <gtest/gtest.h>

#include <QTest>

#include "common/Twips.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

class Panels : public ::testing::Test {
protected:
    test::ShownProgram app;
    StepParameterSet& score = app.instrument.score();
    std::array<PanelWindow*, 3> panels{app.form.Form2(), app.form.Form5(), app.form.Form6()};
};

// Each panel row as 32 sliders over the row's range, named and placed by
// step, and bound to the score both ways: a write moves the slider of a hidden panel at once, a
// slider moved writes the cell. A vertical slider has its Min at the top: Up moves it to Min.
TEST_F(Panels, SlidersShowTheScoreAndWriteIt) {
    for (PanelWindow* panel : panels) {
        EXPECT_FALSE(panel->isVisible());
        for (Row row : panel->rows()) {
            SCOPED_TRACE(rowInfo(row).controlName.data());
            const auto [min, max] = std::pair(rowInfo(row).min, rowInfo(row).max);
            for (int s = 0; s < kSteps; ++s) {
                QSlider* sl =
                    panel->findChild<QSlider*>(arrayName(rowInfo(row).controlName.data(), s));
                ASSERT_EQ(sl, panel->slider(row, s));
                EXPECT_EQ(std::tuple(sl->minimum(), sl->maximum(), sl->x()),
                          std::tuple(min, max, px(360 + 240 * s)));
            }
            QSlider* sl = panel->slider(row, 7);
            score.setCell(row, 7, max);  // the slider of a hidden panel follows
            sl->setFocus();
            QTest::keyClick(sl, Qt::Key_Up);
            EXPECT_EQ(score.cell(row, 7), max - sl->singleStep());
        }
    }
    score.setLength(9);
    EXPECT_EQ(panels[0]->lengthSlider()->value(), 9);
    panels[0]->lengthSlider()->setValue(20);
    EXPECT_EQ(score.length(), 20);
}

// Enlarged, a panel is light grey beyond its picture; the lamps and the markers follow the step
// indicators.
TEST_F(Panels, LampsMarkersAndAnEnlargedPanel) {
    PanelWindow* p = panels[1];
    p->show();
    p->resize(p->size() + QSize(100, 100));
    app.instrument.indicators().setLamp(6, true);
    app.instrument.indicators().setMarker(16, true);
    for (PanelWindow* each : panels)
        EXPECT_EQ(each->lamp(6)->color(), colors::red);
    // Marker 16 is the wide bright green line through step 16's column, below the sliders.
    const QPoint probe(p->markerRect(16).center().x(), px(3800));
    const QImage shown = p->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() - 30, shown.height() - 30), QColor(224, 224, 224));
    EXPECT_EQ(shown.pixelColor(probe), QColor(0, 192, 0));
    app.instrument.indicators().setMarker(16, false);
    EXPECT_NE(p->grab().toImage().pixelColor(probe), QColor(0, 192, 0));
}

}  // namespace
}  // namespace tavrilo
