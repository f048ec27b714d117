#pragma once
// Which Qt platform the checker draws on. A desktop gets its window system
// with the off-screen platform behind it, so a display that is named but
// cannot be opened (a dead DISPLAY, a closed ssh tunnel) falls back to
// drawing off-screen instead of aborting; without any display the program
// draws off-screen from the start.
#include <QByteArray>

struct TDisplayChoice
{
    // The value for QT_QPA_PLATFORM: a list tried in order.
    QByteArray Platforms;
    // Neither DISPLAY nor WAYLAND_DISPLAY names a display.
    bool NoDisplay = false;
    // Off-screen is the first choice (no display, or the user asked for it),
    // so ending up there is no fallback worth a message.
    bool OffscreenFirst = false;
    // The display that was named, for the fallback's message.
    QByteArray Display;
};

TDisplayChoice ChooseDisplayPlatform(const QByteArray& userPlatforms, const QByteArray& display,
                                     const QByteArray& waylandDisplay, const QByteArray& sessionType);
