#pragma once

#include <QImage>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "common/Artwork.h"
#include "common/Controls.h"

class QSlider;

namespace tavrilo {

class DrawingBoard;
class EditHistory;
class HelpWindow;
class Instrument;
class MeterCanvas;
class MeterWindow;
class PanelWindow;
class Subscription;

// The main window: the drawing board, the chalk palette, the transport, the pattern slots and
// the openers of the other windows. It builds the controls, binds them to the instrument's
// models and forwards their events to the instrument's handlers; the behaviour is the
// instrument's. Controls carry their design names as object names ("cmdplay", "lblcolor_3").
class Form1 : public QWidget {
    Q_OBJECT
public:
    // The frame adds this much to the client width; the outer width is what the design fixes.
    static constexpr int kFrameTwips = 210;
    static constexpr int kClientHeightTwips = 7635;
    static constexpr int kNormalOuterWidth = 8340;
    static constexpr int kWideOuterWidth = 14460;

    // Both must outlive the window.
    Form1(Instrument& instrument, MeterCanvas& meter);
    ~Form1() override;

    // Start-up: the instrument's, then the window's own start-up state and the panel and meter
    // windows, hidden. False when the sound cannot be opened: the caller then ends the program
    // without showing a window.
    bool load();

    int outerWidth() const;
    void setOuterWidth(int twips);

    // "E&xit": asks, and on Yes ends the program at once, without the shut-down.
    void askToExit();

    // Ctrl+C: the board's picture and the tune as text onto the clipboard. Ctrl+V: a tune from
    // the clipboard's text, as one undo step, or a message naming what is wrong with the text.
    void editCopy();
    void editPaste();
    EditHistory& history() const { return *m_history; }

    // The other windows; null until made (the panels and the meter at load, help at first use).
    PanelWindow* Form2() const { return m_form2.get(); }
    PanelWindow* Form5() const { return m_form5.get(); }
    PanelWindow* Form6() const { return m_form6.get(); }
    MeterWindow* Form3() const { return m_form3.get(); }
    HelpWindow* Dialoghelp() const { return m_help.get(); }
    DrawingBoard* Picdraw() const { return m_picdraw; }
    QPushButton* button(const char* objectName) const;

signals:
    // The program should end with this status (the exit prompt answered Yes, or the window closed).
    void programEnded(int exitCode);

protected:
    // Closing the main window by any means shuts the instrument down and ends the program with
    // every other window, without a question.
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildControls();
    void buildTopRow();
    void buildPalette();
    void buildSlots();
    void buildRightStrip();
    void bindControls();
    void bindModels();
    void bindEditing();
    // Runs `action` as one undo step.
    void gesture(const std::function<void()>& action, bool withTransportSettings = false);
    void connectOpeners();
    void openWindow(QWidget* window);
    void openHelp();
    bool isOurWindow(const QWidget* window) const;
    // The board's tip names the chalk that strokes draw with.
    void showChalkInHand();

    Instrument& m_instrument;
    MeterCanvas& m_meter;

    CachedPicture m_backdrop{&mainBackdrop};
    DrawingBoard* m_picdraw = nullptr;
    ColorBox* m_picture3 = nullptr;
    std::vector<ColorBox*> m_lblcolor;   // by swatch number
    std::vector<ColorBox*> m_stepLamps;  // Picture4(32 + step)
    std::vector<ColorBox*> m_previews;   // Picpre(slot)
    std::vector<QPushButton*> m_store;   // "S" of each slot
    std::vector<QPushButton*> m_recall;  // "L" of each slot
    std::array<QPushButton*, 2> m_optraw{};
    QSlider* m_sltempo = nullptr;
    QSlider* m_slidercut1 = nullptr;
    QSlider* m_slidercut21 = nullptr;

    std::unique_ptr<PanelWindow> m_form2;
    std::unique_ptr<PanelWindow> m_form5;
    std::unique_ptr<PanelWindow> m_form6;
    std::unique_ptr<MeterWindow> m_form3;
    std::unique_ptr<HelpWindow> m_help;
    EditHistory* m_history = nullptr;  // a child
    bool m_stroking = false;           // a left-button stroke on the board is under way
    std::vector<Subscription> m_subscriptions;
};

}  // namespace tavrilo
