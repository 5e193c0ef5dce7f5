#include "app/HelpWindow.h"

#include <QPainter>
#include <QRegularExpression>

#include "common/Artwork.h"
#include "common/Controls.h"
#include "common/Fonts.h"
#include "common/QtColor.h"
#include "common/Twips.h"

namespace tavrilo {
namespace {

constexpr ColorValue kBackground = rgb(128, 0, 0);
constexpr ColorValue kText = rgb(255, 255, 224);

struct HelpLine {
    const char* name;
    int left, top;
    const char* text;
};

// Top to bottom, as the window shows them.
constexpr HelpLine kLines[] = {
    {"Label1", 360, 1080, "Press play and draw a picture"},
    {"Label3", 360, 1560, "Pick a colour"},
    {"Label4", 360, 1920, "Grey is a good one to start with"},
    {"Label7", 360, 2280, "Draw on the Tavrilo"},
    {"Label12", 360, 2760, "Press "},
    {"Label11", 360, 3120, "to play the synth with your keyboard"},
    {"Label6", 360, 5040, "NOTE:"},
    {"Label5", 360, 5400, "Avoid using RED and PINK if you are new to Tavrilo synth 3"},
    // The maker's lines.
    {"Label9", 360, 6360, "Tavrilo Synth is made by the Tavrilo team."},
    {"Label10", 360, 6720, "Send us your drawings and the tunes they make."},
};

// Its runs of spaces break the line and leave room for the ">" button on the second line.
constexpr const char* kAdvanced =
    "Advanced controls:                                           Press the        button in the "
    "bottom right corner";
constexpr int kAdvancedLeft = 360, kAdvancedTop = 3840;
constexpr int kWidenLeft = 1440, kWidenTop = 4200, kWidenWidth = 375, kWidenHeight = 255;

// Shows kAdvanced the way its spaces mean it, whatever the font: "Advanced controls:" on the
// first line, then "Press the", the gap where the ">" button stands, and the rest.
class AdvancedLabel : public QLabel {
public:
    explicit AdvancedLabel(QWidget* parent) : QLabel(QString::fromLatin1(kAdvanced), parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        const QStringList parts = text().split(QRegularExpression(QStringLiteral(" {2,}")));
        if (parts.size() != 3) return QLabel::paintEvent(nullptr);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        const QFontMetrics fm = fontMetrics();
        painter.drawText(0, fm.ascent(), parts[0]);
        // The second line sits beside the button, centred on its height.
        const int top = px(kWidenTop - kAdvancedTop);
        const int baseline = top + (px(kWidenHeight) + fm.ascent() - fm.descent()) / 2;
        const int gapLeft = px(kWidenLeft - kAdvancedLeft);
        const int gapRight = gapLeft + px(kWidenWidth);
        const int space = fm.horizontalAdvance(QLatin1Char(' '));
        painter.drawText(std::min(0, gapLeft - space - fm.horizontalAdvance(parts[1])), baseline,
                         parts[1]);
        painter.drawText(gapRight + space, baseline, parts[2]);
    }
};

// The ruled boxes: around "HELP", and around the note.
constexpr QRect kHelpBox(3480, 240, 1080, 480);
constexpr QRect kNoteBox(240, 4920, 5520, 840);

}  // namespace

HelpWindow::HelpWindow()
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("Dialoghelp"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(QStringLiteral("Tavrilo Synth HELP"));
    setGeometry(twipsRect(3480, 1185, 6030, 7350));
    setFixedSize(size());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, toQColor(kBackground));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* logo = new ArtworkBox(this, &logoPicture);
    logo->setObjectName(QStringLiteral("piclogo"));
    logo->setGeometry(px(360), px(240), 178, 38);

    const QFont font = tahoma(8.25);
    makeLabel(this, QStringLiteral("Label2"), QStringLiteral("HELP"), 3600, 360, 840, 255, kText,
              tahoma(9.75, true), Qt::AlignCenter);
    for (const HelpLine& line : kLines)
        makeLabel(this, QString::fromLatin1(line.name), QString::fromLatin1(line.text), line.left,
                  line.top, 0, 0, kText, font);

    auto* advanced = new AdvancedLabel(this);
    advanced->setObjectName(QStringLiteral("Label8"));
    advanced->setFont(font);
    QPalette textPalette = advanced->palette();
    textPalette.setColor(QPalette::WindowText, toQColor(kText));
    advanced->setPalette(textPalette);
    advanced->setGeometry(twipsRect(kAdvancedLeft, kAdvancedTop, 5400, 615));

    const QRect keysPlace = twipsRect(1080, 2760, 2880, 360);
    auto* keys = new ArtworkBox(
        this, [size = keysPlace.size()](qreal dpr) { return keysPicture(size, dpr); });
    keys->setObjectName(QStringLiteral("Pickeys"));
    keys->setGeometry(keysPlace);

    m_ok = makeButton(this, QStringLiteral("OKButton"), QStringLiteral("OK"), 4680, 120, 1095, 375,
                      rgb(192, 0, 0), font);
    m_ok->setToolTip(QStringLiteral("Hides the help"));
    connect(m_ok, &QPushButton::clicked, this, &QWidget::hide);
    m_widen = makeButton(this, QStringLiteral("Command2"), QStringLiteral(">"), kWidenLeft,
                         kWidenTop, kWidenWidth, kWidenHeight, rgb(192, 192, 192), font);
    m_widen->setToolTip(
        QStringLiteral("Widens the main window: Speed, Expand and the stroke modes \"1\", \"2\""));
    connect(m_widen, &QPushButton::clicked, this, &HelpWindow::widenRequested);
}

void HelpWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(kBackground));
    painter.setPen(QPen(toQColor(kText), 1));
    for (const QRect& box : {kHelpBox, kNoteBox})
        painter.drawRect(twipsRect(box.x(), box.y(), box.width(), box.height()));
}

}  // namespace tavrilo
