#include "sound/MediaCommand.h"

namespace {

struct Form {
    MediaCommand::Verb verb;
    const char* keyword;
    const char* tail;
};

constexpr Form kForms[] = {
    {MediaCommand::Verb::Play, "play \"", ""},
    {MediaCommand::Verb::Close, "close \"", ""},
    {MediaCommand::Verb::Status, "status \"", " mode"},
};

} // namespace

std::optional<MediaCommand> MediaCommand::parse(const std::string& text) {
    for (const Form& form : kForms) {
        const std::string keyword = form.keyword;
        if (text.compare(0, keyword.size(), keyword) != 0)
            continue;
        const std::size_t close = text.find('"', keyword.size());
        if (close == std::string::npos || close == keyword.size())
            return std::nullopt;
        if (text.compare(close + 1, std::string::npos, form.tail) != 0)
            return std::nullopt;
        std::string path = text.substr(keyword.size(), close - keyword.size());
        // A NUL would cut the path short once it reaches the file system.
        if (path.find('\0') != std::string::npos)
            return std::nullopt;
        return MediaCommand{form.verb, std::move(path)};
    }
    return std::nullopt;
}
