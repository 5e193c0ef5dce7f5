#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/Form1.h"
#include "app/Instrument.h"
#include "common/ApplicationLook.h"
#include "common/Clock.h"
#include "common/QtThreadWake.h"
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
        // Link's threads wake the event loop, which tells the instrument; the session lives
        // longer than the instrument that follows it.
        tavrilo::Instrument* following = nullptr;
        tavrilo::QtThreadWake linkWake([&following] {
            if (following) following->linkChanged();
        });
        tavrilo::AbletonLinkSession link(clock, linkWake);
        tavrilo::Instrument instrument(clock, sound, meter, &link);
        following = &instrument;
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
