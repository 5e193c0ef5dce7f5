#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLabel>
#include <QTest>

#include "common/Fonts.h"
#include "common/QtColor.h"
#include "common/Twips.h"
#include "support/TestApp.h"

namespace tavrilo {
namespace {

QColor pixelAtTwips(const QImage& image, int x, int y) { return image.pixelColor(px(x), px(y)); }

// Whether any widget of `kind` lies, shown, inside the main window's client area.
template <typename Kind>
std::vector<QString> shownInClient(const QWidget& form) {
    std::vector<QString> names;
    for (Kind* w : form.findChildren<Kind*>())
        if (w->isVisibleTo(&form) && form.rect().intersects(w->geometry()))
            names.push_back(w->objectName());
    return names;
}

class MainWindow : public test::ShownMainWindow {
protected:
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
    }
    void widen() {
        click("cmdhelp");
        ASSERT_NE(app.form.Dialoghelp(), nullptr);
        QTest::mouseClick(app.form.Dialoghelp()->widenButton(), Qt::LeftButton);
    }
};

TEST_F(MainWindow, AtStartUpTheUserSeesABlackBoardTheSwatchesAndDarkLamps) {
    const QImage shot = app.form.grab().toImage();
    ASSERT_EQ(shot.size(), twipsSize(8130, 7635));

    // The board, inside its border, corner to corner.
    for (auto [x, y] : {std::pair{300, 1380}, {4000, 3800}, {7860, 6180}, {240 + 7695 / 2, 1400}})
        EXPECT_EQ(pixelAtTwips(shot, x, y), QColor(0, 0, 0)) << x << "," << y;

    struct Swatch {
        int left;
        QColor color;
    } swatches[] = {{720, {128, 128, 128}}, {1440, {0, 0, 255}},     {2160, {0, 255, 0}},
                    {3120, {0, 255, 255}},  {3840, {255, 255, 0}},   {4560, {255, 0, 0}},
                    {5640, {255, 128, 0}},  {6360, {255, 255, 255}}, {7080, {255, 0, 255}}};
    for (const Swatch& s : swatches)
        EXPECT_EQ(pixelAtTwips(shot, s.left + 247, 6600 + 247), s.color) << "swatch at " << s.left;

    for (int step = 0; step < kSteps; ++step)
        EXPECT_EQ(pixelAtTwips(shot, 240 + 240 * step + 120, 6270), QColor(0, 0, 0))
            << "lamp " << step;
    for (int k = 0; k < Form1::kSlots; ++k) {
        EXPECT_EQ(pixelAtTwips(shot, 5760 + 360 * k + 120, 780), QColor(0, 0, 0)) << "preview";
        EXPECT_FALSE(app.form.recallButton(k)->isVisible());
        EXPECT_TRUE(app.form.storeButton(k)->isVisible());
        EXPECT_EQ(app.form.storeButton(k)->text(), "S");
    }
    EXPECT_EQ(pixelAtTwips(shot, 4260, 1020), QColor(0, 0, 0));  // play lamp
    EXPECT_TRUE(shownInClient<QSlider>(app.form).empty());
}

TEST_F(MainWindow, WideningShowsTheSpeedAndExpandStripForGood) {
    const auto labelsBefore = shownInClient<QLabel>(app.form);
    EXPECT_EQ(std::count(labelsBefore.begin(), labelsBefore.end(), "Label13"), 0);

    widen();
    EXPECT_EQ(app.form.outerWidth(), 14460);
    widen();  // a second press changes nothing
    EXPECT_EQ(app.form.outerWidth(), 14460);
    QTest::mouseClick(app.form.Dialoghelp()->OKButton(), Qt::LeftButton);
    EXPECT_FALSE(app.form.Dialoghelp()->isVisible());
    EXPECT_EQ(app.form.outerWidth(), 14460);

    auto sliders = shownInClient<QSlider>(app.form);
    std::sort(sliders.begin(), sliders.end());
    EXPECT_EQ(sliders, (std::vector<QString>{"Slidercut1", "Slidercut21", "sltempo"}));
    const auto labels = shownInClient<QLabel>(app.form);
    for (const char* name : {"Label13", "Label4"})
        EXPECT_EQ(std::count(labels.begin(), labels.end(), name), 1) << name;
    EXPECT_EQ(app.form.findChild<QLabel*>("Label13")->text(), "Speed");
    EXPECT_EQ(app.form.findChild<QLabel*>("Label4")->text(), "Expand");
    // The tempo slider's right end lies beyond the widened client area.
    EXPECT_GT(app.form.sltempo()->geometry().right(), app.form.width());

    // What the user sees there: the grey "Speed" text and the two step-mode buttons, "2" pressed.
    const QImage shot = app.form.grab().toImage();
    const QRect speed = twipsRect(8520, 840, 615, 255);
    int textPixels = 0;
    for (int y = speed.top(); y <= speed.bottom(); ++y)
        for (int x = speed.left(); x <= speed.right(); ++x)
            if (qGray(shot.pixel(x, y)) < 180) ++textPixels;
    EXPECT_GT(textPixels, 10);
    EXPECT_TRUE(app.form.optraw(1)->isChecked());
    EXPECT_FALSE(app.form.optraw(0)->isChecked());
    EXPECT_EQ(app.form.optraw(0)->text(), "1");
    EXPECT_EQ(app.form.optraw(1)->text(), "2");
}

TEST_F(MainWindow, BothRowsOfOpenersShowTheSameWindowsOnce) {
    const std::pair<const char*, QWidget*> openers[] = {
        {"Command20", app.form.Form2()}, {"Command16", app.form.Form2()},
        {"Command18", app.form.Form6()}, {"Command17", app.form.Form6()},
        {"Command19", app.form.Form5()}, {"Command3", app.form.Form5()},
        {"Command2", app.form.Form3()},
    };
    for (const auto& [name, window] : openers) {
        SCOPED_TRACE(name);
        window->hide();
        click(name);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->parentWidget(), nullptr);
        EXPECT_FALSE(window->isModal());
    }
    for (const char* windowName : {"Form2", "Form3", "Form5", "Form6"}) {
        int copies = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == windowName) ++copies;
        EXPECT_EQ(copies, 1) << windowName;
    }
}

TEST_F(MainWindow, ASecondPressNeitherMovesNorResetsAnOpenWindow) {
    click("Command19");
    PanelWindow* envelope = app.form.Form5();
    ASSERT_TRUE(envelope->isVisible());
    envelope->move(envelope->pos() + QPoint(40, -30));  // the user moved it
    const QRect moved = envelope->geometry();
    app.form.score().setCell(Row::Decay, 9, 3);

    click("Command19");
    click("Command3");
    EXPECT_EQ(envelope->geometry(), moved);
    EXPECT_EQ(envelope->slider(Row::Decay, 9)->value(), 3);
}

TEST_F(MainWindow, CloseButtonsAndCloseBoxesOnlyHide) {
    click("Command2");
    MeterWindow* meter = app.form.Form3();
    ASSERT_TRUE(meter->isVisible());
    QTest::mouseClick(meter->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(meter->isVisible());
    click("Command2");
    EXPECT_TRUE(meter->close());
    EXPECT_FALSE(meter->isVisible());
    click("Command2");
    EXPECT_TRUE(meter->isVisible());

    click("cmdhelp");
    HelpWindow* help = app.form.Dialoghelp();
    EXPECT_TRUE(help->close());
    EXPECT_FALSE(help->isVisible());
    click("cmdhelp");
    EXPECT_EQ(app.form.Dialoghelp(), help);  // created once, then only shown and hidden
    EXPECT_TRUE(help->isVisible());
}

TEST_F(MainWindow, HelpWindowSaysWhatItShould) {
    click("cmdhelp");
    HelpWindow* help = app.form.Dialoghelp();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->windowTitle(), "Tavrilo Synth HELP");
    EXPECT_EQ(help->geometry(), twipsRect(3480, 1185, 6030, 7350));
    EXPECT_EQ(help->parentWidget(), nullptr);
    EXPECT_FALSE(help->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(help->windowFlags() & Qt::WindowMaximizeButtonHint);
    const std::pair<const char*, const char*> texts[] = {
        {"Label2", "HELP"},
        {"Label1", "Press play and draw a picture"},
        {"Label3", "Pick a colour"},
        {"Label4", "Grey is a good one to start with"},
        {"Label7", "Draw on the Tavrilo"},
        {"Label12", "Press "},
        {"Label11", "to play the synth with your keyboard"},
        {"Label8",
         "Advanced controls:                                           Press the        button in "
         "the bottom right corner"},
        {"Label6", "NOTE:"},
        {"Label5", "Avoid using RED and PINK if you are new to Tavrilo synth 3"},
    };
    for (const auto& [name, text] : texts) {
        auto* label = help->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), text) << name;
    }
    EXPECT_EQ(help->OKButton()->text(), "OK");
    EXPECT_EQ(help->widenButton()->text(), ">");
    EXPECT_EQ(help->widenButton()->pos(), twipsPoint(1440, 4200));
    EXPECT_EQ(help->palette().color(QPalette::Window), QColor(128, 0, 0));
}

TEST_F(MainWindow, MeterWindowHasItsBoxesInPlace) {
    MeterWindow* meter = app.form.Form3();
    ASSERT_NE(meter, nullptr);
    EXPECT_FALSE(meter->isVisible());
    EXPECT_EQ(meter->windowTitle(), "Tavrilo Synth V.U.");
    EXPECT_EQ(meter->geometry(), twipsRect(3420, 8955, 5040, 2640));
    const std::pair<MeterBox, QRect> boxes[] = {
        {MeterBox::WPB1, twipsRect(360, 360, 2055, 1335)},
        {MeterBox::Picture1, twipsRect(2640, 360, 2055, 1335)},
        {MeterBox::o1VU, twipsRect(360, 1680, 2175, 135)},
        {MeterBox::Picture2, twipsRect(2520, 1680, 2175, 135)},
    };
    for (const auto& [which, place] : boxes) {
        EXPECT_EQ(meter->box(which)->geometry(), place);
        // A 2-pixel border on each side leaves the drawing area.
        EXPECT_EQ(meter->box(which)->drawingArea().size(), place.size() - QSize(4, 4));
    }
    QSlider* s9 = meter->Slider9();
    EXPECT_EQ(s9->minimum(), 1);
    EXPECT_EQ(s9->maximum(), 24);
    EXPECT_EQ(s9->value(), 1);
    EXPECT_EQ(s9->orientation(), Qt::Vertical);
    EXPECT_EQ(meter->findChild<QLabel*>("Label10")->text(), "Osc1");
    EXPECT_EQ(meter->findChild<QLabel*>("Label11")->text(), "Osc2");
    EXPECT_EQ(meter->closeButton()->text(), "Close");
}

TEST_F(MainWindow, ButtonsCarryTheirCaptionsAndFaces) {
    const std::tuple<const char*, const char*, QColor> buttons[] = {
        {"cmdnew", "new", {128, 128, 128}},    {"cmdreset", "reset", {128, 128, 128}},
        {"Command20", "osc", {192, 192, 192}}, {"Command18", "mod", {192, 192, 192}},
        {"Command19", "vol", {192, 192, 192}}, {"Command2", "vu", {192, 192, 192}},
        {"cmdhelp", "Help", {192, 192, 0}},    {"cmdexit", "E&xit", {255, 0, 0}},
        {"cmdplay", "play", {0, 192, 0}},      {"cmdstop", "stop", {192, 0, 0}},
        {"Command16", "osc", {192, 192, 192}}, {"Command17", "mod", {192, 192, 192}},
        {"Command3", "vol", {192, 192, 192}},
    };
    for (const auto& [name, caption, face] : buttons) {
        QPushButton* b = app.form.button(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), caption);
        EXPECT_EQ(b->palette().color(QPalette::Button), face) << name;
        if (tahomaAvailable()) {
            EXPECT_EQ(QFontInfo(b->font()).family(), "Tahoma") << name;
        }
    }
}

}  // namespace
}  // namespace tavrilo
