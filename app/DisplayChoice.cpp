#include "app/DisplayChoice.h"

#include <QList>

namespace {

const QByteArray Offscreen = QByteArrayLiteral("offscreen");

}  // namespace

TDisplayChoice ChooseDisplayPlatform(const QByteArray& userPlatforms, const QByteArray& display,
                                     const QByteArray& waylandDisplay, const QByteArray& sessionType)
{
    TDisplayChoice choice;
    choice.NoDisplay = display.isEmpty() && waylandDisplay.isEmpty();
    const bool preferWayland = !waylandDisplay.isEmpty() && (display.isEmpty() || sessionType == "wayland");
    choice.Display = preferWayland ? waylandDisplay : display;
    if (!userPlatforms.isEmpty()) {
        // The user's choice stands; off-screen only catches its failure.
        const QList<QByteArray> names = userPlatforms.split(';');
        choice.OffscreenFirst = names.front().startsWith(Offscreen);
        choice.Platforms = userPlatforms;
        if (!choice.OffscreenFirst && !names.contains(Offscreen))
            choice.Platforms += ';' + Offscreen;
        return choice;
    }
    if (choice.NoDisplay) {
        choice.OffscreenFirst = true;
        choice.Platforms = Offscreen;
    } else if (preferWayland) {
        choice.Platforms = QByteArrayLiteral("wayland;xcb;") + Offscreen;
    } else {
        choice.Platforms = QByteArrayLiteral("xcb;") + Offscreen;
    }
    return choice;
}
