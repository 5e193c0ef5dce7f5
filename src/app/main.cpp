#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/Form1.h"
#include "app/Instrument.h"
#include "common/ApplicationLook.h"
#include "common/Clock.h"
#include "common/QtThreadWake.h"
#include "midi/MidiSystem.h"
#include "sound/MeterCanvas.h"
#include "sound/modSynth_DX7.h"
#include "transport/AbletonLinkSession.h"
#include "transport/QtTimerPump.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Only the main window decides when the program ends; the tool windows merely hide.
    app.setQuitOnLastWindowClosed(false);
    tavrilo::applyApplicationLook(app);

    tavrilo::SteadyClock clock;
    tavrilo::modSynth_DX7 sound(clock);
    tavrilo::MeterCanvas meter;
    try {
        // Link's and MIDI's threads wake the event loop, which tells the instrument; the session
        // and the ports live longer than the instrument that uses them.
        tavrilo::Instrument* woken = nullptr;
        tavrilo::QtThreadWake linkWake([&woken] {
            if (woken) woken->linkChanged();
        });
        tavrilo::QtThreadWake midiWake([&woken] {
            // Under a modal dialog notes do not play, as the note keys do not.
            if (woken) woken->midiArrived(!QApplication::activeModalWidget());
        });
        tavrilo::AbletonLinkSession link(clock, linkWake);
        tavrilo::MidiSystem midi(clock, midiWake);
        tavrilo::Instrument instrument(clock, sound, meter, {&link, &midi});
        woken = &instrument;
        tavrilo::Form1 form(instrument, meter);
        if (!form.load()) {
            std::fprintf(stderr, "cannot open the sound device: %s\n", sound.lastError().c_str());
            return 1;
        }
        QObject::connect(&form, &tavrilo::Form1::programEnded, &app, &QCoreApplication::exit,
                         Qt::QueuedConnection);
        tavrilo::QtTimerPump pump(instrument.timers());
        form.show();
        pump.start();
        return app.exec();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tavrilo Synth stopped: %s\n", e.what());
        return 2;
    }
}
