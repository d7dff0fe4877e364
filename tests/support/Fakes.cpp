#include "tests/support/Fakes.h"

#include <algorithm>
#include <cstring>

float ScriptedRandom::next() {
    ++draws;
    if (queue.empty())
        return fallback;
    const float v = queue.front();
    queue.pop_front();
    return v;
}

void ScriptedRandom::pushDraw(int result, int low, int count) {
    // The middle of the value's interval, so float rounding cannot move it to a neighbour.
    queue.push_back((static_cast<float>(result - low) + 0.5f) / static_cast<float>(count));
}

int RecordingMedia::sendString(const std::string& command, char* reply, int replyRoom) {
    commands.push_back(command);
    if (reply && replyRoom > 0) {
        std::string answer;
        const std::string prefix = "status \"";
        if (command.rfind(prefix, 0) == 0) {
            const std::string path =
                command.substr(prefix.size(), command.rfind('"') - prefix.size());
            auto it = modes.find(path);
            answer = it == modes.end() ? "stopped" : it->second;
        }
        const std::size_t n = std::min<std::size_t>(answer.size(), replyRoom - 1);
        std::memcpy(reply, answer.data(), n);
        reply[n] = '\0';
    }
    return 0;
}

int RecordingMedia::count(const std::string& command) const {
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}
