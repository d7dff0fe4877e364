#include "sound/MediaCommands.h"
#include "sound/MediaInterface.h"
#include "tests/support/Fakes.h"

#include <gtest/gtest.h>

#include <cstring>

using Commands = std::vector<std::string>;

// The media layer understands only these exact texts: one blank, the path in double quotes.
TEST(SoundCommands, eachOperationSendsItsExactCommandText) {
    RecordingMedia media;
    PlayMedia(media, "music\\ok.wav");
    CloseMedia(media, "music\\miss.wav");
    MediaMode(media, "music\\loop1.wav");
    EXPECT_EQ(media.commands, (Commands{"play \"music\\ok.wav\"", "close \"music\\miss.wav\"",
                                        "status \"music\\loop1.wav\" mode"}));
}

// The poll restarts a track only on a stopped mode in any letter case; a playing track and a
// failing file (empty reply) are left alone, or a missing track would be hammered forever.
TEST(SoundCommands, pollRestartsOnlyAStoppedTrackWhateverTheCase) {
    const std::string path = "music\\kanpai.mp3";
    const Commands restart = {"status \"music\\kanpai.mp3\" mode", "close \"music\\kanpai.mp3\"",
                              "play \"music\\kanpai.mp3\""};
    const Commands leave = {"status \"music\\kanpai.mp3\" mode"};
    for (const auto& [reply, expected] :
         std::vector<std::pair<std::string, Commands>>{{"stopped", restart},
                                                       {"Stopped", restart},
                                                       {"STOPPED", restart},
                                                       {"playing", leave},
                                                       {"", leave},
                                                       {"stopped ", leave}}) {
        RecordingMedia media;
        media.modes[path] = reply;
        PollMusic(media, path);
        EXPECT_EQ(media.commands, expected) << "reply '" << reply << "'";
    }
    RecordingMedia media;
    media.modes[path] = "sToPpEd";
    EXPECT_EQ(MediaMode(media, path), "STOPPED");
}

// An interface that fills its whole reply area without a NUL must not make the mode query
// read past it: the area has room for 20 and at most 19 characters count.
TEST(SoundCommands, modeQueryOffersTwentyCharactersAndReadsAtMostNineteen) {
    struct FloodingMedia : MediaInterface {
        int room = -1;
        int sendString(const std::string&, char* reply, int replyRoom) override {
            room = replyRoom;
            std::memset(reply, 'x', static_cast<std::size_t>(replyRoom));
            return 0;
        }
    } media;
    EXPECT_EQ(MediaMode(media, "music\\ok.wav"), std::string(19, 'X'));
    EXPECT_EQ(media.room, 20);
}
