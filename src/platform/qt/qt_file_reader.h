#pragma once
// Reading a whole file with QFile.

#include "platform/file_reader.h"

namespace orv::qt {

class QtFileReader : public platform::FileReader {
public:
    std::optional<std::string> read(const std::string& path, std::string& error) override;
};

}  // namespace orv::qt
