// Key to screen as a player meets it: real X key events, sent through the X server with the
// XTEST extension to the running round window, each timed until the server reports the
// window's pixels changed (a DAMAGE event), so X input delivery, the judge, the key effect
// through the real sound layer, the repaint and the server's drawing are all inside. Every key
// is the one the phrase wants next (the bench reads it from the round's judge). The game clock
// keeps counting but its timer is stopped, so no lamp repaint is taken for a key's.
// Reports p50 / p99 / max over 900 keys; the goal is a p99 within 2 ms on Xvfb.
// Usage: bench-key_to_screen [--xvfb] [--keys N]   (without --xvfb: the X display in DISPLAY)
// The offscreen platform has no X server to send keys through: there the same path without
// X is bench-round_keys --offscreen.

#include "bench/round_support.h"
#include "screens/Maingame.h"

#include <QTimer>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <poll.h>

namespace {

using Clock = std::chrono::steady_clock;

// The keycode that types an ASCII character on the server's keyboard map, and whether Shift
// is needed; 0 when no key types it.
struct KeyMap {
    explicit KeyMap(xcb_connection_t* x) {
        const xcb_setup_t* setup = xcb_get_setup(x);
        m_first = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto* reply = xcb_get_keyboard_mapping_reply(
            x, xcb_get_keyboard_mapping(x, setup->min_keycode, static_cast<uint8_t>(count)),
            nullptr);
        if (!reply)
            return;
        m_perCode = reply->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        m_syms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply));
        std::free(reply);
    }
    xcb_keycode_t find(uint32_t keysym, bool& shift) const {
        for (int column = 0; column < 2 && column < m_perCode; ++column)
            for (size_t i = 0; i * m_perCode < m_syms.size(); ++i)
                if (m_syms[i * m_perCode + column] == keysym) {
                    shift = column == 1;
                    return static_cast<xcb_keycode_t>(m_first + i);
                }
        return 0;
    }
    int m_first = 8;
    int m_perCode = 0;
    std::vector<xcb_keysym_t> m_syms;
};

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[static_cast<size_t>(q * (ms.size() - 1))]; };
    std::printf("%-28s p50 %6.2f ms, p99 %6.2f ms, max %6.2f ms (%zu keys)\n", what, at(0.5),
                at(0.99), ms.back(), ms.size());
}

} // namespace

int main(int argc, char** argv) {
    int keys = 900;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc)
            keys = std::atoi(argv[++i]);
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "xcb");
    roundbench::Bench bench(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "bench-key_to_screen needs an X display (DISPLAY or --xvfb)\n");
        return 2;
    }
    auto* window = new Maingame(bench.context);
    roundbench::Bench::waitExposed(window);
    for (int i = 0; i < 4; ++i)
        window->countt_Timer();
    window->findChild<QTimer*>(QStringLiteral("GT"))->stop();
    window->activateWindow();
    QCoreApplication::processEvents();
    const xcb_window_t target = static_cast<xcb_window_t>(window->winId());

    // What the phrase wants next, kept fresh by the window's thread for the sending thread.
    std::atomic<char32_t> wanted{0};
    std::atomic<bool> done{false};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QString t = window->judge().target();
        wanted = t.isEmpty() ? 0 : t.at(0).unicode();
        if (done)
            QCoreApplication::quit();
    });
    poll.start(1);

    std::vector<double> ms;
    int missingKey = 0, noDamage = 0;
    std::thread sender([&] {
        xcb_connection_t* x = xcb_connect(nullptr, nullptr);
        const xcb_query_extension_reply_t* damageExt = xcb_get_extension_data(x, &xcb_damage_id);
        if (xcb_connection_has_error(x) || !damageExt || !damageExt->present) {
            std::fprintf(stderr, "no X connection with the DAMAGE extension\n");
            done = true;
            return;
        }
        std::free(xcb_damage_query_version_reply(x, xcb_damage_query_version(x, 1, 1), nullptr));
        const xcb_damage_damage_t damage = xcb_generate_id(x);
        xcb_damage_create(x, damage, target, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_set_input_focus(x, XCB_INPUT_FOCUS_POINTER_ROOT, target, XCB_CURRENT_TIME);
        xcb_flush(x);
        const KeyMap map(x);
        bool shiftNeeded = false;
        const xcb_keycode_t shift = map.find(0xffe1, shiftNeeded);
        auto drain = [&] {
            xcb_damage_subtract(x, damage, XCB_NONE, XCB_NONE);
            xcb_flush(x);
            while (xcb_generic_event_t* e = xcb_poll_for_event(x))
                std::free(e);
        };
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        while (static_cast<int>(ms.size()) < keys) {
            const char32_t c = wanted;
            bool withShift = false;
            const xcb_keycode_t code = c && c < 128 ? map.find(c, withShift) : 0;
            if (!code) {
                ++missingKey;
                if (missingKey > 1000)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            drain();
            const auto start = Clock::now();
            if (withShift)
                xcb_test_fake_input(x, XCB_KEY_PRESS, shift, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_test_fake_input(x, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_test_fake_input(x, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            if (withShift)
                xcb_test_fake_input(x, XCB_KEY_RELEASE, shift, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_flush(x);
            bool damaged = false;
            while (!damaged && Clock::now() - start < std::chrono::milliseconds(500)) {
                pollfd p{xcb_get_file_descriptor(x), POLLIN, 0};
                ::poll(&p, 1, 5);
                while (xcb_generic_event_t* e = xcb_poll_for_event(x)) {
                    if ((e->response_type & 0x7f) == damageExt->first_event + XCB_DAMAGE_NOTIFY &&
                        !damaged) {
                        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start)
                                         .count());
                        damaged = true;
                    }
                    std::free(e);
                }
            }
            noDamage += damaged ? 0 : 1;
            if (noDamage > 20)
                break;
            // Let the window settle and the next wanted key be published.
            std::this_thread::sleep_for(std::chrono::milliseconds(8));
        }
        xcb_damage_destroy(x, damage);
        xcb_disconnect(x);
        done = true;
    });
    QApplication::exec();
    sender.join();
    std::printf("platform: %s\n", bench.describe().c_str());
    if (window->judge().ended())
        std::printf("warning: the round ended during the measurement\n");
    if (ms.empty()) {
        std::fprintf(stderr,
                     "no key reached the screen (%d keys without a keycode, %d without "
                     "damage)\n",
                     missingKey, noDamage);
        return 1;
    }
    report("XTEST key to window damage", ms);
    if (noDamage)
        std::printf("%d keys drew nothing within 500 ms\n", noDamage);
    return 0;
}
