// Where every control of the main window stands, with its look as created. Twips throughout.
#include "app/Form1Layout.h"

#include <QButtonGroup>
#include <QPainter>

#include "app/Form1.h"
#include "board/DrawingBoard.h"
#include "board/ScoreAddressing.h"
#include "common/Artwork.h"
#include "common/Controls.h"
#include "common/Fonts.h"
#include "common/Twips.h"
#include "patterns/PatternMemory.h"
#include "transport/TransportSettings.h"

namespace tavrilo {
namespace {

struct ButtonPlace {
    const char* name;
    const char* caption;
    int left, top, width, height;
    ColorValue face;
    const char* tip;
};

constexpr ColorValue kOpenerFace = rgb(192, 192, 192);
constexpr const char* kOscTip = "Opens the oscillator panel: Tone, Osc1, Osc2 and the length";
constexpr const char* kModTip = "Opens the modulation panel: AM1, AM2 and FM";
constexpr const char* kVolTip = "Opens the envelope panel: attack, decay and volume";

// clang-format off
constexpr ButtonPlace kButtons[] = {
    {"cmdnew", "new", 3360, 240, 375, 255, rgb(128, 128, 128),
     "Clears the picture; the tune stays"},
    {"cmdreset", "reset", 3840, 240, 495, 255, rgb(128, 128, 128),
     "Resets every step of the tune; the picture stays"},
    {"Command20", "osc", 4560, 240, 375, 255, kOpenerFace, kOscTip},
    {"Command18", "mod", 5040, 240, 375, 255, kOpenerFace, kModTip},
    {"Command19", "vol", 5520, 240, 375, 255, kOpenerFace, kVolTip},
    {"Command2", "vu", 6120, 240, 375, 255, kOpenerFace,
     "Opens the meter: a trace and a level bar per oscillator"},
    {"cmdhelp", "Help", 6720, 240, 495, 255, rgb(192, 192, 0), "Opens the help window"},
    {"cmdexit", "E&xit", 7440, 240, 495, 255, rgb(255, 0, 0),
     "Ends the program, after asking; nothing is kept (Ctrl+C copies the tune)"},
    {"cmdplay", "play", 3360, 840, 735, 375, rgb(0, 192, 0),
     "Plays the steps from the first. Space plays and stops; right click: the clock"},
    {"cmdstop", "stop", 4440, 840, 735, 375, rgb(192, 0, 0),
     "Stops the steps; a sounding note dies away. Right click: the clock"},
    {"Command16", "osc", 360, 7260, 375, 195, kOpenerFace, kOscTip},
    {"Command17", "mod", 2760, 7260, 375, 195, kOpenerFace, kModTip},
    {"Command3", "vol", 5160, 7260, 375, 195, kOpenerFace, kVolTip},
};
// clang-format on

// The swatches left to right on screen, with the labels of their captions (the caption itself
// is the legend of the row the swatch's chalk writes).
struct SwatchPlace {
    int swatch;
    int left;
    const char* legendName;
};
constexpr SwatchPlace kSwatches[] = {
    {0, 720, "Label24"},  {1, 1440, "Label26"}, {2, 2160, "Label28"},
    {3, 3120, "Label30"}, {6, 3840, "Label31"}, {4, 4560, "Label32"},
    {8, 5640, "Label5"},  {7, 6360, "Label34"}, {5, 7080, "Label33"},
};
static_assert(std::size(kSwatches) == kChalks);

constexpr int slotLeft(int slot) { return 5760 + 360 * slot; }

// The board, and under it a lamp per step column: the board's X of step i is 240 i.
constexpr int kBoardLeft = 240;
constexpr int kLampTop = 6240;

}  // namespace

const std::array<DecorLine, 7>& form1Lines() {
    static const std::array<DecorLine, 7> lines = {{
        // Line67..Line70: the palette's dark frame.
        {360, 6480, 7800, 6480, colors::darkGrey, 3},
        {7800, 6480, 7800, 7440, colors::darkGrey, 3},
        {360, 7440, 7800, 7440, colors::darkGrey, 3},
        {360, 6480, 360, 7440, colors::darkGrey, 3},
        // Line2 and Line1: oscillator, modulation and envelope groups.
        {2760, 6600, 2760, 7320, colors::black, 1},
        {5160, 6600, 5160, 7320, colors::black, 1},
        // Line44: under the top button row.
        {3360, 600, 7920, 600, colors::lightGrey, 1},
    }};
    return lines;
}

void Form1::buildControls() {
    buildTopRow();
    auto* logo = new ArtworkBox(this, &logoPicture);
    logo->setObjectName(QStringLiteral("piclogo"));
    logo->setGeometry(twipsRect(240, 240, 2895, 615));

    m_picture3 = new ColorBox(this, colors::black);
    m_picture3->setObjectName(QStringLiteral("Picture3"));
    m_picture3->setGeometry(twipsRect(4200, 840, 135, 375));
    m_picture3->setToolTip(QStringLiteral("Green while the steps play"));

    m_picdraw = new DrawingBoard(this, twipsRect(kBoardLeft, 1320, 7695, 4935));
    for (int step = 0; step < kSteps; ++step) {
        auto* lamp = new ColorBox(this, colors::black);
        lamp->setObjectName(arrayName("Picture4", kSteps + step));
        lamp->setGeometry(
            twipsRect(kBoardLeft + kColumnTwips * step, kLampTop, step < 4 ? 270 : 255, 75));
        lamp->setToolTip(stepLampTip(step));
        m_stepLamps.push_back(lamp);
    }
    buildPalette();
    buildSlots();
    buildRightStrip();
}

void Form1::buildTopRow() {
    const QFont font = tahoma(8.25);
    for (const ButtonPlace& b : kButtons) {
        QPushButton* button =
            makeButton(this, QString::fromLatin1(b.name), QString::fromLatin1(b.caption), b.left,
                       b.top, b.width, b.height, b.face, font);
        button->setToolTip(QString::fromLatin1(b.tip));
    }
}

void Form1::buildPalette() {
    const QFont font = tahoma(8.25);
    m_lblcolor.assign(kChalks, nullptr);
    for (const SwatchPlace& s : kSwatches) {
        // Only the orange swatch has its colour from the start; load colours the others.
        const Chalk& chalk = chalkTable()[static_cast<std::size_t>(s.swatch)];
        auto* swatch = new ColorBox(this, s.swatch == 8 ? chalk.color : colors::black);
        swatch->setObjectName(arrayName("lblcolor", s.swatch));
        swatch->setGeometry(twipsRect(s.left, 6600, 495, 495));
        m_lblcolor[static_cast<std::size_t>(s.swatch)] = swatch;
        const RowInfo& row = rowInfo(chalk.row);
        swatch->setToolTip(QStringLiteral("%1 chalk, on the board: %2")
                               .arg(latin1(row.legend), latin1(row.heightMeans)));
        makeLabel(this, QString::fromLatin1(s.legendName), latin1(row.legend), s.left, 7200, 495,
                  255, colors::darkGrey, font, Qt::AlignHCenter | Qt::AlignTop);
    }
}

void Form1::buildSlots() {
    const QFont font = tahoma(8.25);
    for (int k = 0; k < kPatternSlots; ++k) {
        auto* preview = new ColorBox(this, colors::black);
        preview->setObjectName(arrayName("Picpre", k));
        preview->setGeometry(twipsRect(slotLeft(k), 720, 255, 135));
        preview->setToolTip(
            QStringLiteral("Slot %1: red when it was the last stored or loaded").arg(k + 1));
        m_previews.push_back(preview);
        // Store and recall buttons: Command4/Command5 for slot 0 up to Command14/Command15.
        m_store.push_back(makeButton(this, QStringLiteral("Command%1").arg(4 + 2 * k),
                                     QStringLiteral("S"), slotLeft(k), 840, 255, 255,
                                     rgb(0, 128, 0), font));
        m_store.back()->setToolTip(QStringLiteral("Stores the tune in slot %1").arg(k + 1));
        QPushButton* recall =
            makeButton(this, QStringLiteral("Command%1").arg(5 + 2 * k), QStringLiteral("L"),
                       slotLeft(k), 1080, 255, 195, rgb(0, 128, 128), font);
        recall->setToolTip(QStringLiteral("Loads the tune of slot %1 back").arg(k + 1));
        recall->hide();
        m_recall.push_back(recall);
    }
}

void Form1::buildRightStrip() {
    makeLabel(this, QStringLiteral("Label13"), QStringLiteral("Speed"), 8520, 840, 615, 255,
              colors::grey, msSansSerif(9.75));
    m_sltempo =
        makeSlider(this, QStringLiteral("sltempo"),
                   {Qt::Horizontal, kMinTempoMs, kMaxTempoMs, 1, 5, 1, QSlider::TicksBelow, 50},
                   9240, 840, 6855, 255);
    m_sltempo->setToolTip(
        QStringLiteral("Speed: milliseconds per step, right is slower. Right click: the clock"));
    auto* modes = new QButtonGroup(this);
    modes->setExclusive(true);
    for (int i = 0; i < 2; ++i) {
        QPushButton* mode = makeButton(this, arrayName("optraw", i), QString::number(i + 1), 8760,
                                       1680 + 240 * i, 255, 195, colors::black, tahoma(8.25));
        // A graphical option button: black with light grey text, pressed in while selected.
        mode->setCheckable(true);
        mode->setStyleSheet(QStringLiteral(
            "QPushButton { background: black; color: rgb(192,192,192); border: 1px outset grey; }"
            "QPushButton:checked { background: rgb(40,40,40); border: 2px inset rgb(192,192,192); "
            "}"));
        mode->setToolTip(i == 0 ? QStringLiteral("Strokes write the step that plays next")
                                : QStringLiteral("Strokes write the step under the pen"));
        modes->addButton(mode, i);
        m_optraw[static_cast<std::size_t>(i)] = mode;
    }
    m_optraw[1]->setChecked(true);
    makeLabel(this, QStringLiteral("Label4"), QStringLiteral("Expand"), 10560, 1320, 1695, 255,
              colors::grey, tahoma(9.75), Qt::AlignHCenter | Qt::AlignTop);
    const SliderLook cut{Qt::Horizontal, kMinCut, kMaxCut, 0, 5, 1, QSlider::TicksBelow, 100};
    m_slidercut1 = makeSlider(this, QStringLiteral("Slidercut1"), cut, 10320, 1560, 2175, 255);
    m_slidercut21 = makeSlider(this, QStringLiteral("Slidercut21"), cut, 10320, 1800, 2175, 255);
    const QString expandTip = QStringLiteral(
        "Expand, oscillator %1, taken at each note: 0 is off, left is softer, right louder and "
        "rougher");
    m_slidercut1->setToolTip(expandTip.arg(1));
    m_slidercut21->setToolTip(expandTip.arg(2));
}

}  // namespace tavrilo
