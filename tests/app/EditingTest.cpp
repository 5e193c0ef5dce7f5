// Undo and redo, copy and paste, through the keys and the real widgets.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QClipboard>
#include <QMimeData>
#include <QSlider>

#include "app/EditHistory.h"
#include "board/DrawingBoard.h"
#include "panels/PanelWindow.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

class Editing : public ::testing::Test {
protected:
    test::ShownProgram app;
    Instrument& in = app.instrument;
    StepParameterSet& score = in.score();
    DrawingBoard* board = app.form.Picdraw();

    // Keys as the platform delivers them, to the main window made active (a message box that
    // just closed may have left none active).
    void keys(QKeyCombination combination) {
        QApplication::setActiveWindow(&app.form);
        QTest::keyClick(app.form.windowHandle(), combination.key(),
                        combination.keyboardModifiers());
    }
    QSlider* slider(Row row, int step) { return app.form.Form6()->slider(row, step); }
};

// Each gesture is one step back and one step forward again: a stroke (its cells and the line it
// drew), a slider's whole drag, a key step on a slider, "reset", a recall and "new". The panels'
// sliders and the board follow, pixel for pixel.
TEST_F(Editing, UndoAndRedoTakeBackWholeGestures) {
    std::vector<std::pair<Tune, QImage>> states;
    const auto snapshot = [&] { states.emplace_back(in.tune(), board->picture()); };
    snapshot();
    for (int chalk = 0; chalk < kChalks; ++chalk) {  // more colours than three bits hold
        in.pickChalk(chalk);
        app.stroke({{100, 300 + 450 * chalk}, {2000, 2400}, {2300 + 500 * chalk, 300}});
        snapshot();
    }
    slider(Row::FM, 3)->setSliderDown(true);  // a drag through three values
    for (int v : {90, 70, 40})
        slider(Row::FM, 3)->setValue(v);
    slider(Row::FM, 3)->setSliderDown(false);
    snapshot();
    slider(Row::AM1, 5)->setFocus();
    QTest::keyClick(slider(Row::AM1, 5), Qt::Key_Up);
    snapshot();
    app.click("Command4");  // stores, changes nothing
    app.click("cmdreset");
    snapshot();
    app.click("Command5");
    snapshot();
    app.click("cmdnew");
    snapshot();
    ASSERT_EQ(app.form.history().steps(), static_cast<int>(states.size()) - 1);
    for (auto n = states.size() - 1; n-- > 0;) {
        keys(Qt::CTRL | Qt::Key_Z);
        EXPECT_EQ(in.tune(), states[n].first) << "undo to " << n;
        EXPECT_EQ(board->picture(), states[n].second) << "undo to " << n;
    }
    EXPECT_EQ(slider(Row::FM, 3)->value(), 100);
    keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    keys(Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(in.tune(), states[2].first);
    EXPECT_EQ(board->picture(), states[2].second);
}

// The history keeps the last 200 steps. Undo and redo wait while a stroke is under way: the
// stroke becomes one step when the pen is lifted.
TEST_F(Editing, KeepsTwoHundredStepsAndWaitsForAStrokeToEnd) {
    for (int n = 1; n <= 205; ++n)  // each value differs from the one before
        score.setCell(Row::FM, 0, n % 101);
    for (int n = 0; n < 250; ++n)
        keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(score.cell(Row::FM, 0), 5);
    for (int n = 0; n < 250; ++n)
        keys(Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(score.cell(Row::FM, 0), 3);
    const Tune before = in.tune();
    QTest::mousePress(board, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(board, QPoint(60, 200));
    const Tune drawn = in.tune();
    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(in.tune(), drawn);
    QTest::mouseRelease(board, Qt::LeftButton, {}, QPoint(60, 200));
    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(in.tune(), before);
}

// Copy puts the board's picture and the tune's text on the clipboard; a paste of that text gives
// back the very same score, length, tempo and "Expand" values as one undo step. Any other text
// changes nothing and says what is wrong with it.
TEST_F(Editing, PasteTakesACopiedTuneAsOneStepAndRefusesAnythingElse) {
    in.pickChalk(0);
    app.stroke({{0, 900}, {7400, 4700}});
    score.setLength(13);
    in.settings().tempo.set(321);
    in.settings().expand2.set(1500);
    keys(Qt::CTRL | Qt::Key_C);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(qvariant_cast<QImage>(copied->imageData()).convertToFormat(QImage::Format_RGB32),
              board->picture());
    const Tune before = in.tune();
    ASSERT_TRUE(std::holds_alternative<Tune>(parseTune(copied->text().toStdString())));

    app.click("cmdreset");
    in.settings().tempo.set(200);
    in.settings().expand2.set(0);
    const Tune changed = in.tune();
    keys(Qt::CTRL | Qt::Key_V);
    EXPECT_EQ(in.tune(), before);
    EXPECT_EQ(app.control<QSlider>("sltempo")->value(), 321);
    keys(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(in.tune(), changed);

    QGuiApplication::clipboard()->setText(copied->text().replace("tempo 321", "tempo 0"));
    QString said;
    test::answerNextMessageBox(QMessageBox::Ok, [&said](QMessageBox& box) { said = box.text(); });
    keys(Qt::CTRL | Qt::Key_V);
    EXPECT_EQ(said, "line 3: tempo needs a whole number from 1 to 1600, found 0");
    EXPECT_EQ(in.tune(), changed);
    EXPECT_EQ(std::tuple(app.form.Form2()->lengthSlider()->value(),
                         app.control<QSlider>("sltempo")->value(),
                         app.control<QSlider>("Slidercut21")->value()),
              std::tuple(32, 200, 0));
}

}  // namespace
}  // namespace tavrilo
