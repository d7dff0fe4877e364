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

std::unique_ptr<Mpg123Library::Decoder> Mpg123Library::newDecoder() const {
    int error = 0;
    mpg123_handle* h = m_fn->newHandle(nullptr, &error);
    if (!h)
        return nullptr;
    // Garbage would otherwise be reported on stderr frame by frame.
    m_fn->param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    m_fn->formatNone(h);
    const long* rates = nullptr;
    std::size_t rateCount = 0;
    m_fn->rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        m_fn->format(h, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (m_fn->openFeed(h) != MPG123_OK) {
        m_fn->deleteHandle(h);
        return nullptr;
    }
    return std::unique_ptr<Decoder>(new Decoder(*this, h));
}

Mpg123Library::Decoder::Decoder(const Mpg123Library& library, void* handle)
    : m_library(library), m_handle(handle) {}

Mpg123Library::Decoder::~Decoder() {
    m_library.m_fn->deleteHandle(static_cast<mpg123_handle*>(m_handle));
}

bool Mpg123Library::Decoder::feed(const std::uint8_t* data, std::size_t size) {
    return m_library.m_fn->feed(static_cast<mpg123_handle*>(m_handle), data, size) == MPG123_OK;
}

Mpg123Library::Decoder::Result Mpg123Library::Decoder::read(std::uint8_t* out, std::size_t room,
                                                            std::size_t& done) {
    done = 0;
    const int result =
        m_library.m_fn->read(static_cast<mpg123_handle*>(m_handle), out, room, &done);
    switch (result) {
    case MPG123_OK:
        return Result::Samples;
    case MPG123_NEED_MORE:
        return Result::NeedMore;
    case MPG123_NEW_FORMAT:
        return Result::NewFormat;
    default:
        return Result::Failed;
    }
}

void Mpg123Library::Decoder::format(int& rate, int& channels) const {
    long r = 0;
    int c = 0;
    int encoding = 0;
    m_library.m_fn->getFormat(static_cast<mpg123_handle*>(m_handle), &r, &c, &encoding);
    rate = static_cast<int>(r);
    channels = c;
}
