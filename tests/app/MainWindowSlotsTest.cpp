// The six pattern slots through their "S" and "L" buttons.
#include <gtest/gtest.h>

#include <QTest>

#include "support/TestApp.h"

namespace tavrilo {
namespace {

using std::chrono::milliseconds;

class SlotsOnMainWindow : public test::ShownMainWindow {
protected:
    void store(int k) { QTest::mouseClick(app.form.storeButton(k), Qt::LeftButton); }
    void recall(int k) { QTest::mouseClick(app.form.recallButton(k), Qt::LeftButton); }
    std::vector<ColorValue> previews() {
        std::vector<ColorValue> colors;
        for (int k = 0; k < Form1::kSlots; ++k)
            colors.push_back(app.form.Picpre(k)->color());
        return colors;
    }
};

TEST_F(SlotsOnMainWindow, ButtonNamesFollowTheSlotNumber) {
    for (int k = 0; k < Form1::kSlots; ++k) {
        EXPECT_EQ(app.form.storeButton(k)->objectName(),
                  QStringLiteral("Command%1").arg(4 + 2 * k));
        EXPECT_EQ(app.form.recallButton(k)->objectName(),
                  QStringLiteral("Command%1").arg(5 + 2 * k));
        EXPECT_EQ(app.form.recallButton(k)->text(), "L");
    }
}

TEST_F(SlotsOnMainWindow, StoreChangeRecallBringsBackAll288CellsAndTheLength) {
    StepParameterSet& score = app.form.score();
    for (int s = 0; s < kSteps; ++s)
        score.setCell(Row::Tone, s, s % 25);
    score.setCell(Row::FM, 7, 33);
    score.setLength(12);
    StepParameterSet stored;
    for (Row r : kAllRows)
        for (int s = 0; s < kSteps; ++s)
            stored.setCell(r, s, score.cell(r, s));

    store(2);
    EXPECT_TRUE(app.form.recallButton(2)->isVisible());
    EXPECT_FALSE(app.form.recallButton(1)->isVisible());
    const QImage boardBefore = app.form.Picdraw()->picture().copy();

    for (Row r : kAllRows)
        for (int s = 0; s < kSteps; ++s)
            score.setCell(r, s, rowInfo(r).max - s % 3);
    score.setLength(30);

    recall(2);
    for (Row r : kAllRows)
        for (int s = 0; s < kSteps; ++s)
            ASSERT_EQ(score.cell(r, s), stored.cell(r, s)) << rowInfo(r).controlName << " " << s;
    EXPECT_EQ(score.length(), 12);
    EXPECT_EQ(app.form.Form2()->lengthSlider()->value(), 12);
    EXPECT_EQ(app.form.Form6()->slider(Row::FM, 7)->value(), 33);  // hidden panels follow
    EXPECT_EQ(app.form.Picdraw()->picture(), boardBefore);
}

TEST_F(SlotsOnMainWindow, ThePreviewMarksTheSlotUsedLast) {
    const ColorValue R = colors::red, B = colors::black;
    EXPECT_EQ(previews(), std::vector<ColorValue>(6, B));
    store(0);
    store(4);
    EXPECT_EQ(previews(), (std::vector<ColorValue>{B, B, B, B, R, B}));
    recall(0);
    EXPECT_EQ(previews(), (std::vector<ColorValue>{R, B, B, B, B, B}));
    recall(4);
    EXPECT_EQ(previews(), (std::vector<ColorValue>{B, B, B, B, R, B}));
    store(5);
    EXPECT_EQ(previews(), (std::vector<ColorValue>{B, B, B, B, B, R}));
}

TEST_F(SlotsOnMainWindow, StoreResetRecallBringsBackTheStartUpAttack) {
    store(1);
    click("cmdreset");
    EXPECT_EQ(app.form.score().cell(Row::Atteck, 0), 10);
    recall(1);
    for (int s = 0; s < kSteps; ++s)
        EXPECT_EQ(app.form.score().cell(Row::Atteck, s), 25);
}

// A shorter length recalled while playing is honoured at the next advance; nothing else of the
// transport moves.
TEST_F(SlotsOnMainWindow, RecallWhilePlayingWrapsAtTheRecalledLength) {
    app.form.score().setLength(4);
    store(3);
    app.form.score().setLength(32);
    click("cmdplay");
    app.advance(milliseconds(1200));  // six steps: the next to play is step 6
    ASSERT_EQ(app.form.stepClock().currentStep(), 6);

    recall(3);
    EXPECT_EQ(app.form.stepClock().currentStep(), 6);
    EXPECT_TRUE(app.form.stepClock().playing());
    app.advance(milliseconds(200));
    EXPECT_EQ(app.form.stepClock().currentStep(), 0);
    app.advance(milliseconds(800));
    EXPECT_EQ(app.form.stepClock().currentStep(), 0);  // 0, 1, 2, 3 and round again
}

}  // namespace
}  // namespace tavrilo
