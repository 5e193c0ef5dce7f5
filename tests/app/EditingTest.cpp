// Undo and redo, copy and paste, through the keys and the real widgets.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QClipboard>
#include <QMimeData>
#include <QSlider>
#include <random>

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
    // A left-button stroke through board points in twips, as the board reports them.
    void stroke(std::initializer_list<QPointF> twips) {
        const QPointF first = *twips.begin();
        board->MouseDown(1, 0, static_cast<float>(first.x()), static_cast<float>(first.y()));
        for (QPointF p : twips)
            board->MouseMove(1, 0, static_cast<float>(p.x()), static_cast<float>(p.y()));
        board->MouseUp(1, 0, 0, 0);
    }
    QSlider* slider(Row row, int step) { return app.form.Form6()->slider(row, step); }
};

// Each gesture is one step back and one step forward again: a stroke (its cells and the line it
// drew), a slider's whole drag, a key step on a slider, "reset", a recall and "new". The panels'
// sliders and the board follow, pixel for pixel.
TEST_F(Editing, UndoAndRedoTakeBackWholeGestures) {
    std::vector<QImage> pictures;
    std::vector<std::vector<int>> scores;
    const auto snapshot = [&] {
        std::vector<int> cells{score.length()};
        for (Row row : kAllRows)
            for (int s = 0; s < kSteps; ++s)
                cells.push_back(score.cell(row, s));
        scores.push_back(cells);
        pictures.push_back(board->picture());
    };
    snapshot();
    in.lblcolor_Click(0);
    stroke({{100, 2000}, {2000, 2400}, {2300, 300}});
    snapshot();
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
    ASSERT_EQ(app.form.history().steps(), 6);
    for (int n = static_cast<int>(scores.size()) - 2; n >= 0; --n) {
        keys(Qt::CTRL | Qt::Key_Z);
        std::vector<int> now{score.length()};
        for (Row row : kAllRows)
            for (int s = 0; s < kSteps; ++s)
                now.push_back(score.cell(row, s));
        EXPECT_EQ(now, scores[static_cast<std::size_t>(n)]) << "undo to " << n;
        EXPECT_EQ(board->picture(), pictures[static_cast<std::size_t>(n)]) << "undo to " << n;
    }
    EXPECT_EQ(slider(Row::FM, 3)->value(), 100);
    keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    keys(Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(slider(Row::FM, 3)->value(), 40);
    EXPECT_EQ(board->picture(), pictures[2]);
}

// Copy puts the board's picture and the tune's text on the clipboard; a paste of that text gives
// back the very same score, length, tempo and "Expand" values as one undo step. Any other text
// changes nothing and says what is wrong with it.
TEST_F(Editing, PasteTakesACopiedTuneAsOneStepAndRefusesAnythingElse) {
    in.lblcolor_Click(0);
    stroke({{0, 900}, {7400, 4700}});
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

    const std::pair<QString, QString> refused[] = {
        {"a shopping list", "line 1: a tune starts with"},
        {copied->text().replace("tempo 321", "tempo 0"),
         "line 3: tempo needs a whole number from 1 to 1600, found 0"}};
    for (const auto& [text, message] : refused) {
        QGuiApplication::clipboard()->setText(text);
        QString said;
        test::answerNextMessageBox(QMessageBox::Ok,
                                   [&said](QMessageBox& box) { said = box.text(); });
        keys(Qt::CTRL | Qt::Key_V);
        EXPECT_TRUE(said.startsWith(message)) << "said: " << said.toStdString();
        EXPECT_EQ(in.tune(), changed);
        EXPECT_EQ(app.control<QSlider>("sltempo")->value(), 200);
        EXPECT_EQ(app.form.Form2()->lengthSlider()->value(), 32);
    }
}

// A thousand long strokes in random chalks over the whole board: the history keeps its last 200
// steps, well under 16 MiB.
TEST_F(Editing, TheHistoryStaysSmallAfterAThousandLongStrokes) {
    std::mt19937 rng(5);
    for (int n = 0; n < 1000; ++n) {
        in.lblcolor_Click(static_cast<int>(rng() % kChalks));
        const float y0 = static_cast<float>(rng() % 4800);
        board->MouseDown(1, 0, 0, y0);
        for (int x = 0; x <= 7600; x += 60)
            board->MouseMove(1, 0, static_cast<float>(x), static_cast<float>(rng() % 4800));
        board->MouseUp(1, 0, 0, 0);
    }
    EXPECT_EQ(app.form.history().steps(), EditHistory::kMaxSteps);
    EXPECT_LT(app.form.history().bytes(), 16u << 20);
    RecordProperty("history_bytes", static_cast<int>(app.form.history().bytes()));
}

}  // namespace
}  // namespace tavrilo
