#pragma once

// Which Qt platform the programs start on, decided before the application object exists.
class PlatformChoice {
public:
    // On a Wayland session with an X display too and no platform chosen: X11, so that every
    // screen can open where the previous one stood.
    static void preferX11OnWayland();
    // False when the Wayland platform was asked for, its plugin is missing and there is no X
    // display to fall back to; says what to install on standard error either way.
    static bool waylandPluginReady(bool japanese);
};
