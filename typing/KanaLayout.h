#pragma once

#include <QChar>
#include <QString>

#include <optional>
#include <vector>

class QKeyEvent;

// The JIS kana layout by key position: which kana or sign each key types, with and without
// Shift, whatever character the X keyboard layout would make of the key.
class KanaLayout {
public:
    // A key by position: its X11 key code (the evdev code + 8) and whether Shift is held.
    struct Key {
        int keycode = 0;
        bool shift = false;
        bool operator==(const Key&) const = default;
    };
    struct Entry {
        int keycode;
        char16_t plain;
        char16_t shifted;
    };

    // Every key that types a kana; a US keyboard's ` key and Shift with the ほ key stand in for
    // the ろ and ¥ keys it lacks.
    static const std::vector<Entry>& entries();

    // The kana or sign the key types; null when it types none.
    static QChar kanaAt(Key key);
    // The key that types `kana` on a JIS keyboard (unshifted when both do); none when no key does.
    static std::optional<Key> keyFor(QChar kana);
    // Where a US keyboard has the character; none for characters it has no key for.
    static std::optional<Key> usKey(QChar character);
    // The key's position: its scan code where the platform gives one (X11 and Wayland give the
    // X key code); otherwise the US keyboard's key for the character typed.
    static std::optional<Key> positionOf(const QKeyEvent* event);
    // The kana the key event types on the layout; null for keys that type none and for keys
    // held with Ctrl, Alt or Meta.
    static QChar kanaOf(const QKeyEvent* event);
    // Every kana and sign the layout types, each once, in table order.
    static const QString& allKana();
};
