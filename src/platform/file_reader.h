#pragma once
// Reading a whole file, as the firmware loader needs it.

#include <optional>
#include <string>

namespace orv::platform {

class FileReader {
public:
    virtual ~FileReader() = default;
    // The file's bytes, or nullopt with `error` saying why it cannot be read.
    virtual std::optional<std::string> read(const std::string& path, std::string& error) = 0;
};

}  // namespace orv::platform
