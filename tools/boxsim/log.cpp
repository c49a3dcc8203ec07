#include "log.h"

#include "hex.h"

namespace boxsim {

Log::Log()
    : out_(stderr)
    , start_(std::chrono::steady_clock::now())
{
}

Log::Log(std::FILE* out)
    : out_(out)
    , start_(std::chrono::steady_clock::now())
{
}

Log::~Log()
{
    if (owned_)
        std::fclose(out_);
}

bool Log::open(const std::string& path)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    if (owned_)
        std::fclose(out_);
    out_ = f;
    owned_ = true;
    return true;
}

void Log::rx(Side side, std::string_view bytes)
{
    line(side, "RX", toHex(bytes));
}

void Log::tx(Side side, std::string_view bytes)
{
    line(side, "TX", toHex(bytes));
}

void Log::event(Side side, std::string_view what)
{
    line(side, what, {});
}

void Log::command(Side side, std::string_view text, bool known)
{
    line(side, known ? "CMD" : "UNKNOWN", printable(text));
}

void Log::line(Side side, std::string_view kind, std::string_view rest)
{
    using namespace std::chrono;
    const auto us = duration_cast<microseconds>(steady_clock::now() - start_).count();
    char stamp[32];
    const int n = std::snprintf(stamp, sizeof stamp, "%lld.%03lld ",
                                static_cast<long long>(us / 1000), static_cast<long long>(us % 1000));

    std::string text(stamp, static_cast<std::size_t>(n));
    text += sideName(side);
    text += ' ';
    text += kind;
    if (!rest.empty()) {
        text += ' ';
        text += rest;
    }
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
}

} // namespace boxsim
