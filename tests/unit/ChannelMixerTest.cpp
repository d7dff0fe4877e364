#include "sound/ChannelMixer.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// 16-bit mono samples as bytes, so a test reads as the numbers it mixes.
std::vector<std::uint8_t> bytesOf(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out(samples.size() * 2);
    std::memcpy(out.data(), samples.data(), out.size());
    return out;
}

std::vector<std::int16_t> samplesOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

// Mixes `buffers` buffers of `frames` samples each over `under`, one after another.
std::vector<std::int16_t> mixBuffers(ChannelMixer& mixer, int buffers, std::size_t frames,
                                     std::int16_t under = 0) {
    std::vector<std::int16_t> heard;
    for (int i = 0; i < buffers; ++i) {
        std::vector<std::uint8_t> buffer = bytesOf(std::vector<std::int16_t>(frames, under));
        mixer.mix(buffer.data(), buffer.size());
        const std::vector<std::int16_t> part = samplesOf(buffer);
        heard.insert(heard.end(), part.begin(), part.end());
    }
    return heard;
}

} // namespace

// What the key effects sound like together: each channel adds its samples from its own start,
// sums clip at full scale instead of wrapping, a sound ends where its samples end, and the
// music already in the buffer stays under them.
TEST(ChannelMixer, channelsAddOverWhatIsThereClipAndEndWithTheirSamples) {
    const std::vector<std::uint8_t> loud = bytesOf({32000, 30000, -30000, -32760, 100});
    const std::vector<std::uint8_t> soft = bytesOf({1000, 2000, -3000});
    ChannelMixer mixer(AUDIO_S16SYS);
    EXPECT_EQ(mixer.allocate(2), 2);
    EXPECT_EQ(mixer.allocate(1), 2) << "allocating fewer must not take channels away";
    ASSERT_TRUE(mixer.play(0, loud.data(), loud.size()));
    ASSERT_TRUE(mixer.play(1, soft.data(), soft.size()));
    EXPECT_FALSE(mixer.play(2, soft.data(), soft.size())) << "a channel that does not exist";
    EXPECT_FALSE(mixer.play(-1, soft.data(), soft.size()));

    const std::vector<std::int16_t> heard = mixBuffers(mixer, 3, 2, 10);
    const std::vector<std::int16_t> expected = {32767, 32010, -32768, -32750, 110, 10};
    EXPECT_EQ(heard, expected);
    EXPECT_FALSE(mixer.playing(0));
    EXPECT_FALSE(mixer.playing(1));
}

// A key pressed again restarts its effect from the beginning on the same channel; a halt or
// the owner's letting go of the samples silences only the channels that play them.
TEST(ChannelMixer, replayStartsOverAndHaltsSilenceOnlyTheirChannels) {
    const std::vector<std::uint8_t> a = bytesOf({1, 2, 3, 4, 5, 6});
    const std::vector<std::uint8_t> b = bytesOf({100, 100, 100, 100, 100, 100});
    ChannelMixer mixer(AUDIO_S16SYS);
    mixer.allocate(3);
    mixer.play(0, a.data(), a.size());
    EXPECT_EQ(mixBuffers(mixer, 1, 2), (std::vector<std::int16_t>{1, 2}));
    mixer.play(0, a.data(), a.size());
    mixer.play(1, b.data(), b.size());
    mixer.play(2, b.data(), b.size());
    EXPECT_EQ(mixBuffers(mixer, 1, 2), (std::vector<std::int16_t>{201, 202}));
    mixer.halt(1);
    EXPECT_TRUE(mixer.playing(0));
    EXPECT_FALSE(mixer.playing(1));
    EXPECT_TRUE(mixer.playing(2));
    EXPECT_EQ(mixBuffers(mixer, 1, 2), (std::vector<std::int16_t>{103, 104}));
    mixer.haltSamples(b.data());
    EXPECT_EQ(mixBuffers(mixer, 1, 2), (std::vector<std::int16_t>{5, 6}));
    mixer.play(1, b.data(), b.size());
    mixer.haltAll();
    EXPECT_FALSE(mixer.playing(0) || mixer.playing(1) || mixer.playing(2));
    EXPECT_EQ(mixBuffers(mixer, 1, 2, 7), (std::vector<std::int16_t>{7, 7}));
}
