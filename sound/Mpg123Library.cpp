#include "sound/Mpg123Library.h"

#include <mpg123.h>

#include <dlfcn.h>

struct Mpg123Library::Functions {
    decltype(&mpg123_new) newHandle;
    decltype(&mpg123_delete) deleteHandle;
    decltype(&mpg123_param) param;
    decltype(&mpg123_rates) rates;
    decltype(&mpg123_format_none) formatNone;
    decltype(&mpg123_format) format;
    decltype(&mpg123_open_feed) openFeed;
    decltype(&mpg123_feed) feed;
    decltype(&mpg123_read) read;
    decltype(&mpg123_getformat) getFormat;
};

const Mpg123Library* Mpg123Library::instance() {
    static Mpg123Library library;
    static const bool loaded = library.load();
    return loaded ? &library : nullptr;
}

bool Mpg123Library::load() {
    void* handle = dlopen("libmpg123.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;
    static Functions fn;
    bool complete = true;
    auto bind = [&](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(handle, name));
        complete = complete && slot;
    };
    bind(fn.newHandle, "mpg123_new");
    bind(fn.deleteHandle, "mpg123_delete");
    bind(fn.param, "mpg123_param");
    bind(fn.rates, "mpg123_rates");
    bind(fn.formatNone, "mpg123_format_none");
    bind(fn.format, "mpg123_format");
    bind(fn.openFeed, "mpg123_open_feed");
    bind(fn.feed, "mpg123_feed");
    bind(fn.read, "mpg123_read");
    bind(fn.getFormat, "mpg123_getformat");
    if (!complete)
        return false;
    // Since 1.27 the library needs no mpg123_init; older ones are not on our platform.
    m_fn = &fn;
    return true;
}

bool Mpg123Library::decode(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& pcm, int& rate, int& channels,
                           const std::atomic<bool>& cancel) const {
    int error = 0;
    mpg123_handle* h = m_fn->newHandle(nullptr, &error);
    if (!h)
        return false;
    // Garbage would otherwise be reported on stderr frame by frame.
    m_fn->param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    m_fn->formatNone(h);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    m_fn->rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        m_fn->format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);

    rate = 0;
    channels = 0;
    pcm.clear();
    // A 128 kbit/s MP3 grows elevenfold; reserving spares the copies of a growing buffer.
    pcm.reserve(size * 12);
    if (m_fn->openFeed(h) == MPG123_OK && m_fn->feed(h, data, size) == MPG123_OK) {
        std::uint8_t block[65536];
        while (!cancel.load(std::memory_order_relaxed)) {
            std::size_t done = 0;
            const int result = m_fn->read(h, block, sizeof block, &done);
            pcm.insert(pcm.end(), block, block + done);
            if (result == MPG123_NEW_FORMAT) {
                long r = 0;
                int c = 0;
                int encoding = 0;
                m_fn->getFormat(h, &r, &c, &encoding);
                // A stream that changes its format halfway is cut there.
                if (rate != 0 && (rate != r || channels != c))
                    break;
                rate = static_cast<int>(r);
                channels = c;
            } else if (result != MPG123_OK) {
                break; // MPG123_NEED_MORE: all of the file is used up; or an error
            }
        }
    }
    m_fn->deleteHandle(h);
    if (cancel.load())
        return false;
    const std::size_t frame = static_cast<std::size_t>(channels) * 2;
    if (frame == 0 || rate <= 0)
        return false;
    pcm.resize(pcm.size() / frame * frame);
    return !pcm.empty();
}
