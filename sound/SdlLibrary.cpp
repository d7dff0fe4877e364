#include "sound/SdlLibrary.h"

#include <type_traits>

#include <dlfcn.h>

namespace {

bool load(SdlLibrary& sdl) {
    // Every symbol bound now, so the audio callback never stops to resolve one.
    void* handle = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;
    bool complete = true;
    auto bind = [&](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(handle, name));
        complete = complete && slot;
    };
    bind(sdl.setHint, "SDL_SetHint");
    bind(sdl.setHintWithPriority, "SDL_SetHintWithPriority");
    bind(sdl.resetHint, "SDL_ResetHint");
    bind(sdl.initSubSystem, "SDL_InitSubSystem");
    bind(sdl.quitSubSystem, "SDL_QuitSubSystem");
    bind(sdl.quit, "SDL_Quit");
    bind(sdl.openAudioDevice, "SDL_OpenAudioDevice");
    bind(sdl.pauseAudioDevice, "SDL_PauseAudioDevice");
    bind(sdl.closeAudioDevice, "SDL_CloseAudioDevice");
    bind(sdl.getCurrentAudioDriver, "SDL_GetCurrentAudioDriver");
    bind(sdl.mixAudioFormat, "SDL_MixAudioFormat");
    bind(sdl.rwFromFile, "SDL_RWFromFile");
    bind(sdl.loadWavRw, "SDL_LoadWAV_RW");
    bind(sdl.freeWav, "SDL_FreeWAV");
    // The handle stays open for the whole run: SDL's threads may outlive any owner of ours.
    return complete;
}

} // namespace

const SdlLibrary* SdlLibrary::instance() {
    static SdlLibrary library{};
    static const bool loaded = load(library);
    return loaded ? &library : nullptr;
}
