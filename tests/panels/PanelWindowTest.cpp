#include <gtest/gtest.h>

#include <QScreen>
#include <QTest>
#include <set>

#include "common/Twips.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

// What a shown panel puts on the screen as each marker comes and goes, one at a time: RGB(0,192,0)
// for steps 0, 8, 16 and 24, else RGB(0,128,0); 5 pixels wide for 0 and 16, 3 for the other
// multiples of 4, else 1. Lamps turn red on all three panels.
TEST(Panels, MarkersAndLampsFollowTheSteps) {
    test::ShownProgram app;
    const std::array<PanelWindow*, 3> panels{app.form.Form2(), app.form.Form5(), app.form.Form6()};
    const std::set<int> bright{0, 8, 16, 24}, wide{0, 16}, middle{4, 8, 12, 20, 24, 28};
    const int markerSpans[3][2] = {{600, 4920}, {465, 3955}, {360, 3980}};  // twips, top to bottom
    for (std::size_t k = 0; k < panels.size(); ++k) {
        PanelWindow* p = panels[k];
        p->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(p));
        const auto onScreen = [p] {
            QCoreApplication::processEvents();  // the repaints asked for, and no others
            return p->screen()->grabWindow(p->winId()).toImage();
        };
        for (int s = 0; s < kSteps; ++s) {
            SCOPED_TRACE(testing::Message() << p->objectName().toStdString() << " step " << s);
            const int x = px(480 + 240 * s);
            int y = px(markerSpans[k][0]) + 1;  // a row where no control covers the marker
            while (p->childAt(x - 4, y) || p->childAt(x, y) || p->childAt(x + 4, y))
                ++y;
            ASSERT_LT(y, px(markerSpans[k][1]));
            const QColor colour = bright.contains(s) ? QColor(0, 192, 0) : QColor(0, 128, 0);
            const auto width = [&](const QImage& shown) {
                int n = 0;
                for (int dx = -4; dx <= 4; ++dx)
                    n += shown.pixelColor(x + dx, y) == colour;
                return n;
            };
            app.instrument.indicators().setMarker(s, true);
            EXPECT_EQ(width(onScreen()), wide.contains(s) ? 5 : middle.contains(s) ? 3 : 1);
            app.instrument.indicators().setMarker(s, false);
            EXPECT_EQ(width(onScreen()), 0);
        }
    }
    app.instrument.indicators().setLamp(6, true);
    for (PanelWindow* p : panels)
        EXPECT_EQ(test::shownColour(p->findChild<QWidget*>("Picture4_6")), QColor(255, 0, 0));
}

}  // namespace
}  // namespace tavrilo
