#include "app/ClockMenu.h"

#include <QActionGroup>
#include <QMenu>

#include "app/Instrument.h"

namespace tavrilo {

namespace {

QString linkCaption(std::optional<std::size_t> peers, bool on) {
    const QString name = QStringLiteral("Ableton &Link");
    if (!on || !peers) return name;
    if (*peers == 0) return name + QStringLiteral(" \u2013 no peers");
    return name + QStringLiteral(" \u2013 %1 peer%2").arg(*peers).arg(*peers == 1 ? "" : "s");
}

}  // namespace

void showClockMenu(Instrument& instrument, QWidget* over, QPoint globalPos) {
    using Kind = Instrument::StepSourceKind;
    QMenu menu(over);
    menu.setObjectName(QStringLiteral("clockMenu"));
    menu.setTitle(QStringLiteral("Clock"));
    menu.addSection(QStringLiteral("Clock"));
    auto* sources = new QActionGroup(&menu);
    const auto choice = [&](const QString& caption, Kind kind, bool available) {
        QAction* action = menu.addAction(caption);
        action->setCheckable(true);
        action->setChecked(instrument.stepSource() == kind);
        action->setEnabled(available);
        sources->addAction(action);
        QObject::connect(action, &QAction::triggered, &menu,
                         [&instrument, kind] { instrument.useStepSource(kind); });
    };
    choice(QStringLiteral("&Internal"), Kind::Internal, true);
    const auto peers = instrument.linkPeers();
    choice(linkCaption(peers, instrument.stepSource() == Kind::Link), Kind::Link,
           peers.has_value());
    const bool midi = instrument.midiAvailable();
    choice(QStringLiteral("&MIDI clock"), Kind::MidiClock, midi);
    menu.addSeparator();
    QAction* send = menu.addAction(QStringLiteral("&Send MIDI clock"));
    send->setCheckable(true);
    send->setChecked(instrument.sendingMidiClock());
    send->setEnabled(midi);
    QObject::connect(send, &QAction::toggled, &menu,
                     [&instrument](bool on) { instrument.sendMidiClock(on); });
    menu.addAction(
            QStringLiteral("MIDI: %1").arg(QString::fromStdString(instrument.midiDescription())))
        ->setEnabled(false);
    menu.exec(globalPos);
}

}  // namespace tavrilo
