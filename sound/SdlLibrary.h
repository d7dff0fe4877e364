#pragma once

#include <SDL.h>

// SDL2, opened at run time on the sound thread rather than linked: Debian's SDL2 brings some
// thirty libraries (PulseAudio's client and its codecs among them), and loading them held up
// the first window. The game uses the audio device and a few helpers, reached through here.
struct SdlLibrary {
    decltype(&SDL_SetHint) setHint;
    decltype(&SDL_SetHintWithPriority) setHintWithPriority;
    decltype(&SDL_ResetHint) resetHint;
    decltype(&SDL_InitSubSystem) initSubSystem;
    decltype(&SDL_QuitSubSystem) quitSubSystem;
    decltype(&SDL_Quit) quit;
    decltype(&SDL_OpenAudioDevice) openAudioDevice;
    decltype(&SDL_PauseAudioDevice) pauseAudioDevice;
    decltype(&SDL_CloseAudioDevice) closeAudioDevice;
    decltype(&SDL_GetCurrentAudioDriver) getCurrentAudioDriver;
    decltype(&SDL_MixAudioFormat) mixAudioFormat;
    decltype(&SDL_RWFromFile) rwFromFile;
    decltype(&SDL_LoadWAV_RW) loadWavRw;
    decltype(&SDL_FreeWAV) freeWav;

    // The library, opened on first use; null when it is missing or lacks a function, and the
    // game then runs silent.
    static const SdlLibrary* instance();
};
